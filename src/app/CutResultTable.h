#pragma once

#include "cutting/Cuttingproc.h"

#include <QString>

#include <cstdint>

namespace app {

// A text of a message box: a key of the string table (shown in the current
// language), or a fixed English text.
struct BoxText {
    int key = -1;
    const char16_t* fixed = nullptr;

    QString Text() const;
};

// When a cut result arrives: refused by the job's start, or at the job's end.
enum class CutStage { Start, Finish };

// The box that tells the user a cut result.
struct CutResultBox {
    CutStage stage = CutStage::Finish;
    bool anyOther = false;  // the stage's row for every result it does not list
    CutResult result = Cut_OK;
    BoxText text;
    BoxText caption;
    std::uint32_t flags = 0;  // buttons and icon
    bool owned = true;        // the application's box; else one without owner
};

// The row for a result of a stage.
const CutResultBox& FindCutResultBox(CutStage stage, CutResult result);

}  // namespace app
