#include "platform/syscolors.h"

namespace {

// The classic desktop scheme, one RGB per system colour index.
constexpr TColor kSysColorTable[kSysColorCount] = {
    RGBColor(212, 208, 200),  // clScrollBar
    RGBColor(58, 110, 165),   // clBackground
    RGBColor(10, 36, 106),    // clActiveCaption
    RGBColor(128, 128, 128),  // clInactiveCaption
    RGBColor(212, 208, 200),  // clMenu
    RGBColor(255, 255, 255),  // clWindow
    RGBColor(0, 0, 0),        // clWindowFrame
    RGBColor(0, 0, 0),        // clMenuText
    RGBColor(0, 0, 0),        // clWindowText
    RGBColor(255, 255, 255),  // clCaptionText
    RGBColor(212, 208, 200),  // clActiveBorder
    RGBColor(212, 208, 200),  // clInactiveBorder
    RGBColor(128, 128, 128),  // clAppWorkSpace
    RGBColor(10, 36, 106),    // clHighlight
    RGBColor(255, 255, 255),  // clHighlightText
    RGBColor(212, 208, 200),  // clBtnFace
    RGBColor(128, 128, 128),  // clBtnShadow
    RGBColor(128, 128, 128),  // clGrayText
    RGBColor(0, 0, 0),        // clBtnText
    RGBColor(212, 208, 200),  // clInactiveCaptionText
    RGBColor(255, 255, 255),  // clBtnHighlight
    RGBColor(64, 64, 64),     // cl3DDkShadow
    RGBColor(212, 208, 200),  // cl3DLight
    RGBColor(0, 0, 0),        // clInfoText
    RGBColor(255, 255, 225),  // clInfoBk
};

}  // namespace

bool IsSysColor(TColor color) {
  const auto u = static_cast<std::uint32_t>(color);
  return (u & 0xFF000000u) == 0x80000000u && (u & 0x00FFFFFFu) < static_cast<std::uint32_t>(kSysColorCount);
}

TColor GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return clBlack;
  return kSysColorTable[index];
}

TColor ColorToRGB(TColor color) {
  if (color == clNone || color == clDefault) return color;
  if (color < 0) return GetSysColor(static_cast<int>(static_cast<std::uint32_t>(color) & 0x00FFFFFFu));
  return color & 0x00FFFFFF;
}

QColor ToQColor(TColor color) {
  if (color == clNone) return QColor(0, 0, 0, 0);
  if (color == clDefault) return QColor();
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color) {
  if (!color.isValid()) return clDefault;
  if (color.alpha() == 0) return clNone;
  const QColor c = color.toRgb();
  return RGBColor(c.red(), c.green(), c.blue());
}

int GetSystemMetrics(int metric) {
  switch (metric) {
    case SM_CXVSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYHSCROLL:
    case SM_CXHTHUMB:
    case SM_CYVTHUMB:
      return kScrollBarWidth;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return kBorderWidth;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return kEdgeWidth;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CYCAPTION:
      return 19;
    case SM_CYMENU:
      return 19;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return kDoubleClickDistance;
    case SM_CXDRAG:
    case SM_CYDRAG:
      return kDragDistance;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return kCheckGlyphSize;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    default:
      return 0;
  }
}
