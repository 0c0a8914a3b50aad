#include "gui/mainwindow/MainMenus.h"

namespace gui {
namespace {

using E = MenuEntry;

constexpr MenuEntry kMainMenus[] = {
    {E::kMenu, 2000},
    {E::kItem, 2001, 'O', 2},
    {E::kItem, 2010, 'P', 18},
    {E::kItem, 2023, 'X', 4},
    {E::kItem, 2024, 'C', 5},
    {E::kSeparator},
    {E::kItem, 2028, 'T', 3},
    {E::kSeparator},
    {E::kItem, 2011, 'S', 16},
    {E::kItem, 2012, 'A', 17},
    {E::kSeparator},
    {E::kItem, 2002, '?', 6},
    {E::kItem, 2003, 0, 7},
    {E::kSeparator},
    {E::kItem, 2004, 'Q', 8},
    {E::kMenu, 2016},
    {E::kCheck, 2017, 0, 23},
    {E::kCheck, 2025, 0, 24},
    {E::kCheck, 2018, 0, 25},
    {E::kCheck, 2026, 0, 26},
    {E::kCheck, 2019, 0, 27},
    {E::kCheck, 2029, 0, 28},
    {E::kCheck, 2020, 0, 29},
    {E::kCheck, 2021, 0, 30},
    {E::kCheck, 2027, 0, 31},
    {E::kMenu, 2005},
    {E::kCheck, 2006, 'I', 10},
    {E::kCheck, 2007, 'K', 11},
    {E::kCheck, 2008, 'E', 12},
    {E::kCheck, 2022, 'D', 13},
    {E::kMenu, 2013},
    {E::kItem, 2014, 0, 20},
    {E::kItem, 2015, 0, 21},
    {E::kMenu, 2030},
    {E::kItem, 2031, 0, kWindowIdManual},
};

}  // namespace

std::span<const MenuEntry> MainMenuTable() { return kMainMenus; }

}  // namespace gui
