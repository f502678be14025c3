#include "CutResultTable.h"

#include "app/MainTextKeys.h"
#include "foundation/UiStringTable.h"
#include "platform/MessageBox.h"

#include <array>

namespace app {

namespace {

using platform::MB_ICONASTERISK;
using platform::MB_ICONEXCLAMATION;
using platform::MB_ICONHAND;
using platform::MB_OK;

constexpr BoxText Key(int key) {
    return BoxText{key, nullptr};
}
constexpr BoxText Fixed(const char16_t* text) {
    return BoxText{-1, text};
}

constexpr CutResultBox Row(CutStage stage, CutResult result, int text, int caption,
                           std::uint32_t icon) {
    return CutResultBox{stage, false, result, Key(text), Key(caption), MB_OK | icon, true};
}
constexpr CutResultBox FatalRow(CutResult result, const char16_t* text) {
    return CutResultBox{CutStage::Finish,      false, result, Fixed(text),
                        Fixed(u"Fatal Errro"), MB_OK, false};
}

constexpr auto S = CutStage::Start;
constexpr auto F = CutStage::Finish;

const std::array kRows{
    Row(S, Err_Cut_DestFileSizeOverError, key::CutTooLarge, key::Warning, MB_ICONEXCLAMATION),
    Row(S, Err_Cut_FileTypeMismatch, key::CutDifferentTypes, key::Warning, MB_ICONEXCLAMATION),
    Row(S, Err_Cut_OpenDestFileError, key::SaveFileNotOpened, key::Error, MB_ICONHAND),
    CutResultBox{S, true, Cut_OK, Key(key::UnknowError), Key(key::Warning),
                 MB_OK | MB_ICONEXCLAMATION, true},

    Row(F, Cut_OK, key::CuttingCompleted, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_FileTypeMismatch, key::CutDifferentTypes, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_OpenDestFileError, key::SaveFileNotOpened, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_OpenSrcFileErrorr, key::SourceNotOpened, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_SrcFileSizeOverError, key::StopCutting, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_SrcFileMappingError, key::StopCutting, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_FindStartPositionError, key::StopCutting, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_Interrupt, key::StopCutting, key::Information, MB_ICONASTERISK),
    Row(F, Err_Cut_SrcFileFormatError, key::FileFormatError, key::Information, MB_ICONASTERISK),
    FatalRow(Err_Cut_MemAllocError, u"Err_Cut_MemAllocError"),
    FatalRow(Err_Cut_MemReserveNotEnough, u"Err_Cut_MemReserveNotEnough"),
    FatalRow(Err_Cut_Modify_stbl_Error, u"Err_Cut_Modify_stbl_Error"),
    CutResultBox{F, true, Cut_OK, Fixed(u"Unknow cutting Message"), Fixed(u"Error"), MB_OK, false},
};

}  // namespace

QString BoxText::Text() const {
    return fixed != nullptr ? QString::fromUtf16(fixed) : UiText(key);
}

const CutResultBox& FindCutResultBox(CutStage stage, CutResult result) {
    const CutResultBox* fallback = nullptr;
    for (const CutResultBox& row : kRows) {
        if (row.stage != stage) {
            continue;
        }
        if (row.anyOther) {
            fallback = &row;
        } else if (row.result == result) {
            return row;
        }
    }
    return *fallback;  // every stage has its row for the rest
}

}  // namespace app
