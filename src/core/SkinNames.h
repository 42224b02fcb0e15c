#pragma once

#include <array>
#include <string_view>

// Names of the resources the launcher reads from its two bundles. Replacing the bundles
// re-skins the launcher, so these names are the contract with any bundle.

struct SkinPicture {
    std::string_view Resource;
    std::string_view Component;
};

// Loaded at start-up, in this order.
// clang-format off
inline constexpr std::array<SkinPicture, 36> StartupPictures{{
    {"BtnHome", "BtnHome"},
    {"BtnMyGames", "BtnMyGames"},
    {"BtnShop", "BtnShop"},
    {"BtnNews", "BtnNews"},
    {"BtnSocial", "BtnSocial"},
    {"BtnBack", "BtnBack"},
    {"BtnSettings", "BtnSettings"},
    {"BtnMinimize", "BtnMinimize"},
    {"BtnClose", "BtnExit"},
    {"ButtonDelete", "BtnDelete"},
    {"ButtonCancel", "BtnCancel"},
    {"ButtonInstall", "BtnInstall"},
    {"ButtonPlay", "BtnPlay"},
    {"ChatBck", "ChatPanel"},
    {"UIBckg1", "PanelInfo"},
    {"UIBckg2", "StatusPanel"},
    {"BtnHome", "HomeText1"},
    {"BtnMyGames", "PLText1"},
    {"BtnShop", "PMText1"},
    {"BtnClear", "BtnClearSearch"},
    {"BtnNews", "NewsText1"},
    {"Paper", "NewsPaperBckg"},
    {"BtnSocial", "SocialText1"},
    {"WebQuillbarrow", "WebQuillbarrow"},
    {"BtnLogOut", "LogOutBtn"},
    {"PassHide", "ShowPass"},
    {"BckgBlue", "FrameBckg"},
    {"ChatBck", "DLInfo"},
    {"ArrowUp", "BtnLeft"},
    {"ArrowDown", "BtnRight"},
    {"ArrowUp", "BtnLeftShop"},
    {"ArrowDown", "BtnRightShop"},
    {"BckgOrangeFrame", "MG1Bckg"},
    {"BckgOrangeFrame", "MG2Bckg"},
    {"BckgBlueFrame", "G1Bckg"},
    {"BckgBlueFrame", "G2Bckg"},
}};
// clang-format on

// Read later by the panels and dialogs (besides one cover per catalogue ImageName and the news).
inline constexpr std::array<std::string_view, 9> LaterPictures{
    "LogInBckg",  "UIBckg3",      "UIBckg4", "PassShow", "PassHide",
    "ButtonPlay", "ButtonUpdate", "Scroll",  "BtnClose",
};

// News pictures are "News1", "News2", ... up to the count the service announces.
inline constexpr std::string_view NewsPicturePrefix = "News";
inline constexpr int ShippedNewsPictures = 4;

struct SoundCue {
    std::string_view Resource;
    std::string_view Member;
};

inline constexpr std::array<SoundCue, 7> SoundCues{{
    {"SndBtnClick", "ClickSound"},
    {"SndBtnClickBack", "BackSound"},
    {"SndBtnClickExit", "ExitSound"},
    {"SndMessage", "MessageSound"},
    {"SndMessageWhisper", "WhisperSound"},
    {"SndError", "ErrorSound"},
    {"SndStore", "StoreSound"},
}};

inline constexpr std::string_view PictureBundleFile = "Quillbarrow01.dll";
inline constexpr std::string_view SoundBundleFile = "Quillbarrow02.dll";
