#pragma once

#include <QColor>
#include <cstdint>

// Colours and metrics every painting routine of the program uses.
//
// A colour value (`TColor`) is a signed 32-bit integer in one of three forms:
//  - an ordinary colour 0x00BBGGRR (blue in the high byte, red in the low byte);
//  - a system colour 0x80000000 + index, resolved through the fixed classic-desktop table
//    below, so that painting looks the same on every machine and in every test;
//  - the two special values clNone (0x1FFFFFFF, also called clTransparent) and clDefault
//    (0x20000000), which mean "no colour" and "the control's own default".
// The program never asks the desktop for its colours; the table is the one truth.

using TColor = std::int32_t;

namespace syscolor_detail {
constexpr TColor sys(int index) { return static_cast<TColor>(0x80000000u + static_cast<std::uint32_t>(index)); }
}  // namespace syscolor_detail

// System colours, in the order of their index.
inline constexpr TColor clScrollBar = syscolor_detail::sys(0);
inline constexpr TColor clBackground = syscolor_detail::sys(1);
inline constexpr TColor clActiveCaption = syscolor_detail::sys(2);
inline constexpr TColor clInactiveCaption = syscolor_detail::sys(3);
inline constexpr TColor clMenu = syscolor_detail::sys(4);
inline constexpr TColor clWindow = syscolor_detail::sys(5);
inline constexpr TColor clWindowFrame = syscolor_detail::sys(6);
inline constexpr TColor clMenuText = syscolor_detail::sys(7);
inline constexpr TColor clWindowText = syscolor_detail::sys(8);
inline constexpr TColor clCaptionText = syscolor_detail::sys(9);
inline constexpr TColor clActiveBorder = syscolor_detail::sys(10);
inline constexpr TColor clInactiveBorder = syscolor_detail::sys(11);
inline constexpr TColor clAppWorkSpace = syscolor_detail::sys(12);
inline constexpr TColor clHighlight = syscolor_detail::sys(13);
inline constexpr TColor clHighlightText = syscolor_detail::sys(14);
inline constexpr TColor clBtnFace = syscolor_detail::sys(15);
inline constexpr TColor clBtnShadow = syscolor_detail::sys(16);
inline constexpr TColor clGrayText = syscolor_detail::sys(17);
inline constexpr TColor clBtnText = syscolor_detail::sys(18);
inline constexpr TColor clInactiveCaptionText = syscolor_detail::sys(19);
inline constexpr TColor clBtnHighlight = syscolor_detail::sys(20);
inline constexpr TColor cl3DDkShadow = syscolor_detail::sys(21);
inline constexpr TColor cl3DLight = syscolor_detail::sys(22);
inline constexpr TColor clInfoText = syscolor_detail::sys(23);
inline constexpr TColor clInfoBk = syscolor_detail::sys(24);
// Number of system colours in the table (indexes 0 .. kSysColorCount - 1).
inline constexpr int kSysColorCount = 25;

// Ordinary colours, 0x00BBGGRR.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;

// Special values.
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clTransparent = clNone;
inline constexpr TColor clDefault = 0x20000000;

// True for 0x80000000 + index with a valid index.
bool IsSysColor(TColor color);

// The fixed RGB (0x00BBGGRR) of system colour `index` (0 .. 24); black for an unknown index.
TColor GetSysColor(int index);

// The RGB value of any colour: system colours through the table, ordinary colours as they
// are (their high byte cleared). clNone and clDefault have no RGB; they give themselves,
// as callers test for them before painting.
TColor ColorToRGB(TColor color);

// Builds an ordinary colour from its components.
constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline int GetRValue(TColor c) { return c & 0xFF; }
inline int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
inline int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// TColor <-> QColor. System colours resolve through the table; clNone becomes a fully
// transparent colour, clDefault an invalid QColor. A QColor becomes an ordinary colour
// (its alpha is dropped; a fully transparent QColor becomes clNone).
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// System metrics of the classic desktop, fixed so layout is the same everywhere.
enum TSystemMetric {
  SM_CXVSCROLL,    // width of a vertical scroll bar
  SM_CYVSCROLL,    // height of the arrow of a vertical scroll bar
  SM_CXHSCROLL,    // width of the arrow of a horizontal scroll bar
  SM_CYHSCROLL,    // height of a horizontal scroll bar
  SM_CXHTHUMB,     // width of a horizontal scroll bar's thumb
  SM_CYVTHUMB,     // height of a vertical scroll bar's thumb
  SM_CXBORDER,     // thin border
  SM_CYBORDER,
  SM_CXEDGE,       // 3-D border
  SM_CYEDGE,
  SM_CXFRAME,      // sizing frame
  SM_CYFRAME,
  SM_CXDLGFRAME,   // dialog frame
  SM_CYDLGFRAME,
  SM_CYCAPTION,    // caption bar
  SM_CYMENU,       // menu bar
  SM_CXDOUBLECLK,  // the rectangle two clicks must fall in to make a double click
  SM_CYDOUBLECLK,
  SM_CXDRAG,       // distance the mouse must move before a drag starts
  SM_CYDRAG,
  SM_CXMENUCHECK,  // check-mark glyph (check boxes in grids and menus)
  SM_CYMENUCHECK,
  SM_CXICON,
  SM_CYICON,
  SM_CXSMICON,
  SM_CYSMICON,
  SM_CXCURSOR,
  SM_CYCURSOR,
};

// The fixed value of a metric (pixels); 0 for an unknown metric.
int GetSystemMetrics(int metric);

// Timings in milliseconds, and other fixed desktop settings.
inline constexpr int kScrollBarWidth = 17;
inline constexpr int kBorderWidth = 1;
inline constexpr int kEdgeWidth = 2;
inline constexpr int kCheckGlyphSize = 13;
inline constexpr int kDoubleClickTime = 500;
inline constexpr int kDoubleClickDistance = 4;
inline constexpr int kDragDistance = 4;
inline constexpr int kHoverTime = 400;
inline constexpr int kCaretBlinkTime = 530;
inline constexpr int kWheelScrollLines = 3;
inline constexpr int kScreenPixelsPerInch = 96;

inline int GetDoubleClickTime() { return kDoubleClickTime; }
inline int GetCaretBlinkTime() { return kCaretBlinkTime; }
