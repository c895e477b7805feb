#pragma once

class QWidget;

// One function per control family builds its gallery page (in <family>_page.cpp); main.cpp lists
// them in its page table. Adding a page: declare its function here and add a row to that table.
namespace morvane::gallery {

QWidget* buildListPage();
QWidget* buildButtonPage();
QWidget* buildLinkPage();
QWidget* buildOptionTreePage();
QWidget* buildRangeSliderPage();

} // namespace morvane::gallery
