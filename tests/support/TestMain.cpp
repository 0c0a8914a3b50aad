// The test programs' main. Each run gets a temporary root of its own, handed to
// the tests and to the programs they start as TMPDIR and XDG_RUNTIME_DIR, and
// removes it at the end: whatever a test (or a child it killed) leaves there
// goes with it, so the tests leave nothing behind in /tmp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TemporaryRoot {
 public:
  TemporaryRoot() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "tunewright-tests-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;  // the inherited folders then serve
    root_ = pattern;
    // Others may pass through, as through /tmp, to a folder a test opens to them.
    using std::filesystem::perms;
    std::filesystem::permissions(root_, perms::owner_all | perms::group_exec | perms::others_exec,
                                 ec);
    const std::string runtime = root_ + "/run";
    std::filesystem::create_directory(runtime, ec);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, ec);
    ::setenv("TMPDIR", root_.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  ~TemporaryRoot() {
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }
  TemporaryRoot(const TemporaryRoot&) = delete;
  TemporaryRoot& operator=(const TemporaryRoot&) = delete;

 private:
  std::string root_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const TemporaryRoot root;
  return RUN_ALL_TESTS();
}
