#pragma once

#include <QString>

// Every text the user reads, in three languages: column 0 English, 1 Traditional
// Chinese, 2 Simplified Chinese. Row 0 holds the language names, rows 1..133 the
// texts addressed by key number. Built before the first window, read-only after.

inline constexpr int kUiStringRows = 134;
inline constexpr int kLanguageCount = 3;

// The language shown: 0 English, 1 Traditional Chinese, 2 Simplified Chinese.
// Written by the settings window, read on the GUI thread.
extern int LanguageIndex;

// The text of `key` in the current language. A language outside 0..2 (a damaged
// settings file) reads the English column; a key outside 0..133 an empty text.
const QString& UiText(int key);
const QString& UiText(int key, int language);

// The name of a language, written in that language (row 0).
const QString& LanguageName(int language);

// The end-user licence file names, in their own order: 0 EN, 1 SC, 2 TC.
const QString& EulaFileName(int slot);
