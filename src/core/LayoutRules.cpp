#include "core/LayoutRule.h"

#include <array>

namespace {

using K = MeasureKind;

// Short builders so that each row of the tables reads like its rule.
// clang-format off
constexpr Measure parentW(double f) { return {K::ParentWidth, f, {}, {}}; }
constexpr Measure parentH(double f) { return {K::ParentHeight, f, {}, {}}; }
constexpr Measure large(double f) { return {K::Unit, f, FontUnit::Large, {}}; }
constexpr Measure base(double f) { return {K::Unit, f, FontUnit::Base, {}}; }
constexpr Measure small(double f) { return {K::Unit, f, FontUnit::Small, {}}; }
constexpr Measure ownFont(double f) { return {K::OwnFont, f, {}, {}}; }
constexpr Measure ownW(double f) { return {K::OwnWidth, f, {}, {}}; }
constexpr Measure ownWDiv(double f) { return {K::OwnWidthDivided, f, {}, {}}; }
constexpr Measure ownH(double f) { return {K::OwnHeight, f, {}, {}}; }
constexpr Measure text() { return {K::Text, 0, {}, {}}; }
constexpr Measure caption() { return {K::Caption, 0, {}, {}}; }
constexpr Measure refW(std::string_view ref, double f) { return {K::RefWidth, f, {}, ref}; }
constexpr Measure refH(std::string_view ref, double f) { return {K::RefHeight, f, {}, ref}; }
constexpr Measure parentHLess(std::string_view ref) { return {K::ParentHeightLessRef, 0, {}, ref}; }

constexpr Measure zero() { return {K::Zero, 0, {}, {}}; }
constexpr Measure centre(double f) { return {K::Centre, f, {}, {}}; }
constexpr Measure start(double f) { return {K::Start, f, {}, {}}; }
constexpr Measure end(double f) { return {K::End, f, {}, {}}; }
constexpr Measure centredOn(std::string_view ref) { return {K::RefCentred, 0, {}, ref}; }
constexpr Measure startOf(std::string_view ref, double f) { return {K::RefStart, f, {}, ref}; }
constexpr Measure centreInParentBy(std::string_view ref, double f) { return {K::RefCentreInParent, f, {}, ref}; }

constexpr FontRule noFont{};
constexpr FontRule largeFont(double f = 1) { return {FontKind::Unit, FontUnit::Large, f, {}}; }
constexpr FontRule baseFont(double f = 1) { return {FontKind::Unit, FontUnit::Base, f, {}}; }
constexpr FontRule smallFont(double f = 1) { return {FontKind::Unit, FontUnit::Small, f, {}}; }
constexpr FontRule fontOf(std::string_view ref) { return {FontKind::CopyOf, FontUnit::Large, 0, ref}; }
// clang-format on

constexpr std::string_view window{};

// A content panel's caption picture (the menu button's picture, same 3.5:1 shape), near its top.
constexpr ElementRule panelCaption(std::string_view name, std::string_view panel, double cx) {
    return {name, panel, noFont, parentW(0.2), ownWDiv(3.5), centre(cx), centre(0.06)};
}

// A content panel: all five and the detail panel share the place right of the side panel.
constexpr ElementRule contentPanel(std::string_view name, double heightFraction) {
    return {name, window, noFont, parentW(0.66), parentH(heightFraction), centre(0.516), centre(0.54)};
}

// clang-format off
constexpr std::array mainRules = std::to_array<ElementRule>({
    {"Pozadina", window, noFont, parentW(1), parentH(1), zero(), zero()},

    {"StatusPanel", window, noFont, parentW(1), parentH(0.08), zero(), zero()},
    {"TXTQuillbarrow", "StatusPanel", largeFont(), text(), text(), start(0.024), centre(0.5)},
    {"TXTServerState", "StatusPanel", smallFont(), text(), small(1), start(0.17), centre(0.5)},
    {"TXTEMail", "StatusPanel", baseFont(), text(), text(), start(0.58), centre(0.5)},
    {"BtnUpdate", "StatusPanel", baseFont(1.5), caption(), ownFont(1.5), centre(0.5), centre(0.5)},
    {"LogOutBtn", "StatusPanel", noFont, ownH(3), large(1), centre(0.8), centre(0.56)},
    {"BtnSettings", "StatusPanel", noFont, parentW(0.016), ownW(0.9), centre(0.9), centre(0.5)},
    {"BtnMinimize", "StatusPanel", noFont, parentW(0.016), ownW(0.9), centre(0.93), centre(0.5)},
    {"BtnExit", "StatusPanel", noFont, parentW(0.016), ownW(0.9), centre(0.96), centre(0.5)},

    {"LogInForm", window, noFont, parentW(1), parentH(0.921), centre(0.5), centre(0.54)},
    {"FrameBckg", "LogInForm", noFont, parentW(0.34), parentH(0.66), centre(0.5), centre(0.52)},
    {"TextUser", "LogInForm", baseFont(), text(), text(), start(0.35), centre(0.3)},
    {"EMailEdit", "LogInForm", smallFont(), parentW(0.28), small(2.2), centre(0.49), centre(0.355)},
    {"TextPass", "LogInForm", baseFont(), text(), text(), start(0.35), centre(0.42)},
    {"PasswordEdit", "LogInForm", smallFont(), parentW(0.28), small(2.2), centre(0.49), centre(0.475)},
    {"ShowPass", "LogInForm", noFont, small(2.2), ownW(1), centre(0.65), centre(0.475)},
    {"CheckBoxSave", "LogInForm", smallFont(), parentW(0.3), small(2), centre(0.5), centre(0.545)},
    {"BtnLogIn", "LogInForm", largeFont(), large(6), large(1.6), centre(0.5), centre(0.63)},
    {"BtnForgotPass", "LogInForm", baseFont(), ownH(10), base(1.6), centre(0.5), centre(0.72)},
    {"BtnRegister", "LogInForm", baseFont(), ownH(10), base(1.6), centre(0.5), centre(0.77)},

    {"PanelInfo", window, noFont, parentW(0.17), parentH(0.921), centre(0.085), centre(0.54)},
    {"BtnHome", "PanelInfo", noFont, parentW(0.7), ownWDiv(3.5), centre(0.5), start(0.06)},
    {"BtnMyGames", "PanelInfo", noFont, parentW(0.7), ownWDiv(3.5), centre(0.5), start(0.135)},
    {"BtnShop", "PanelInfo", noFont, parentW(0.7), ownWDiv(3.5), centre(0.5), start(0.21)},
    {"BtnNews", "PanelInfo", noFont, parentW(0.7), ownWDiv(3.5), centre(0.5), start(0.285)},
    {"BtnSocial", "PanelInfo", noFont, parentW(0.7), ownWDiv(3.5), centre(0.5), start(0.36)},
    {"BtnDonate", "PanelInfo", baseFont(), parentW(0.7), base(1.6), centre(0.5), centre(0.5)},
    {"WebQuillbarrow", "PanelInfo", noFont, parentW(0.7), ownWDiv(3.5), centre(0.5), centre(0.9)},

    contentPanel("PanelHome", 0.87),
    panelCaption("HomeText1", "PanelHome", 0.54),
    {"News", "PanelHome", noFont, parentW(0.9), parentH(0.8), centre(0.5), centre(0.55)},

    contentPanel("PanelMyGames", 0.87),
    panelCaption("PLText1", "PanelMyGames", 0.5),
    {"BtnLeft", "PanelMyGames", noFont, ownH(1.77), large(1.5), centre(0.5), centre(0.18)},
    {"MG1Bckg", "PanelMyGames", noFont, parentW(0.92), parentH(0.33), centre(0.5), centre(0.4)},
    {"MyGameBtn01", "PanelMyGames", noFont, parentW(0.32), ownW(0.66), centre(0.3), centre(0.4)},
    {"InstText01", "PanelMyGames", largeFont(), parentW(0.36), parentH(0.28), centre(0.7), centre(0.4)},
    {"MG2Bckg", "PanelMyGames", noFont, parentW(0.92), parentH(0.33), centre(0.5), centre(0.75)},
    {"MyGameBtn02", "PanelMyGames", noFont, parentW(0.32), ownW(0.66), centre(0.3), centre(0.75)},
    {"InstText02", "PanelMyGames", fontOf("InstText01"), refW("InstText01", 1), refH("InstText01", 1), centre(0.7), centre(0.75)},
    {"BtnRight", "PanelMyGames", noFont, ownH(1.77), large(1.5), centre(0.5), centre(0.97)},

    contentPanel("PanelStore", 0.87),
    panelCaption("PMText1", "PanelStore", 0.85),
    {"ShopText1", "PanelStore", baseFont(), text(), text(), start(0.04), centre(0.06)},
    {"SearchEdit", "PanelStore", baseFont(), parentW(0.3), base(1.8), start(0.04), centre(0.13)},
    {"BtnClearSearch", "PanelStore", noFont, base(1.5), ownW(1), start(0.35), centre(0.13)},
    {"BtnLeftShop", "PanelStore", noFont, ownH(1.77), large(1.5), centre(0.5), centre(0.18)},
    {"G1Bckg", "PanelStore", noFont, parentW(0.92), parentH(0.33), centre(0.5), centre(0.4)},
    {"ShopBtn01", "PanelStore", noFont, parentW(0.32), ownW(0.66), centre(0.3), centre(0.4)},
    {"GameText01", "PanelStore", baseFont(), parentW(0.36), parentH(0.28), centre(0.7), centre(0.4)},
    {"G2Bckg", "PanelStore", noFont, parentW(0.92), parentH(0.33), centre(0.5), centre(0.75)},
    {"ShopBtn02", "PanelStore", noFont, parentW(0.32), ownW(0.66), centre(0.3), centre(0.75)},
    {"GameText02", "PanelStore", fontOf("GameText01"), refW("GameText01", 1), refH("GameText01", 1), centre(0.7), centre(0.75)},
    {"BtnRightShop", "PanelStore", noFont, ownH(1.77), large(1.5), centre(0.5), centre(0.97)},

    contentPanel("PanelNews", 0.87),
    panelCaption("NewsText1", "PanelNews", 0.54),
    {"NewsPaperBckg", "PanelNews", noFont, parentW(0.9), parentH(0.82), centre(0.5), centre(0.55)},
    {"NewsMemo", "PanelNews", smallFont(), parentW(0.8), parentH(0.74), centre(0.5), centre(0.55), 0.1, 0.12},

    contentPanel("PanelSocial", 0.87),
    panelCaption("SocialText1", "PanelSocial", 0.54),
    {"BtnInvite", "PanelSocial", largeFont(), large(9), large(1.6), centre(0.5), centre(0.3)},
    {"QRCode", "PanelSocial", noFont, parentW(0.25), ownW(1), centre(0.5), centre(0.6)},

    {"ADS", window, noFont, parentW(0.13), parentH(0.9), centre(0.927), centre(0.54)},
    {"ADSBrowser", "ADS", noFont, parentW(1), parentH(1), zero(), zero()},
});

constexpr std::array gameDetailRules = std::to_array<ElementRule>({
    contentPanel("PanelGames", 0.82),
    {"BtnBack", "PanelGames", noFont, large(4), ownW(1), centre(0.1), centre(0.1)},
    {"BtnPlay", "PanelGames", noFont, large(12), ownWDiv(5.11), centre(0.5), centre(0.3)},
    {"BtnInstall", "PanelGames", noFont, large(12), ownWDiv(5.11), centre(0.5), centre(0.5)},
    {"BtnDelete", "PanelGames", noFont, large(8), ownWDiv(5.11), centre(0.5), centre(0.675)},

    // The download bar belongs to the window, so that it can stay in front of every panel.
    {"DLInfo", window, noFont, refW("PanelGames", 0.97), ownW(0.12), centredOn("PanelGames"), startOf("PanelGames", 0.8)},
    {"ProgressBarDownload", "DLInfo", noFont, parentW(0.95), large(1.1), centre(0.5), centre(0.5)},
    {"LabelPerc", "ProgressBarDownload", largeFont(0.9), text(), text(), centre(0.5), centre(0.5)},
    {"LabelGlobalSpeed", "DLInfo", largeFont(0.7), text(), text(), start(0.025), centre(0.2)},
    {"DLText1", "DLInfo", fontOf("LabelGlobalSpeed"), text(), text(), start(0.025), centre(0.82)},
    {"DLText2", "DLInfo", fontOf("LabelGlobalSpeed"), text(), text(), start(0.37), centre(0.82)},
    {"DLText3", "DLInfo", fontOf("LabelGlobalSpeed"), text(), text(), start(0.7), centre(0.82)},
    // Inside the bar but placed by the detail panel's height, where the install button was.
    {"AniInd", "DLInfo", noFont, large(1.5), ownW(1), centre(0.5), centreInParentBy("PanelGames", 0.58)},
    {"BtnCancel", "DLInfo", noFont, large(10), ownWDiv(5.11), centre(0.5), centreInParentBy("PanelGames", 0.76)},
});

constexpr std::array chatRules = std::to_array<ElementRule>({
    // Bottom-left corner of the window.
    {"ChatPanel", window, noFont, parentW(0.4), ownWDiv(1.5), start(0.005), end(0.99)},
    {"ChatAll", "ChatPanel", baseFont(0.92), parentW(1), parentHLess("ChatEdit"), zero(), zero()},
    {"ChatEdit", "ChatPanel", fontOf("ChatAll"), parentW(1), base(1.8), zero(), end(1)},
});
// clang-format on

} // namespace

std::span<const ElementRule> layoutRules(Layout layout) {
    switch (layout) {
    case Layout::Main:
        return mainRules;
    case Layout::GameDetail:
        return gameDetailRules;
    case Layout::Chat:
        return chatRules;
    }
    return {};
}
