// Library code never writes to standard output: that stream belongs to the
// command line's song lines and to `--send` results, which scripts parse. Only
// the shell (and the tools) print there; libraries report through return values
// or, for warnings, standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> StdoutWritesIn(const fs::path& file) {
  static const std::regex kWrite(
      R"((^|[^a-z_:])(std::)?(printf|puts|putchar)\s*\(|std::cout|\bstdout\b)");
  std::vector<std::string> found;
  std::ifstream in(file);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string code = line.substr(0, line.find("//"));
    if (std::regex_search(code, kWrite)) found.push_back(file.string() + ":" + std::to_string(number));
  }
  return found;
}

TEST(LibraryOutput, NoLibraryFolderWritesToStandardOutput) {
  const fs::path src = fs::path(TW_TEST_SOURCE_DIR) / "src";
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), src);
    if (*relative.begin() == "shell" || *relative.begin() == "gui") continue;
    for (std::string& place : StdoutWritesIn(entry.path())) found.push_back(std::move(place));
  }
  EXPECT_TRUE(found.empty()) << "standard output written at " << ::testing::PrintToString(found);
}

}  // namespace
