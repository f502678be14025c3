#pragma once

#include "platform/Registry.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace foundation {

// Every preference the program stores, declared once in the table of
// PreferenceTable.cpp with its key, value name, type and default. The settings
// window, the chart settings and the first start read and write the registry only
// through these functions.
enum class Preference {
    // Software\OmbrelPlayer\Setting
    DefaultSavePath,  // string: folder for screenshots and clips; empty = none
    DefaultOpenPath,  // string: folder of the open dialog; empty = none
    AutoSDSearch,     // integer: non-zero = search the memory card at open
    CaptureChart,     // integer: non-zero = screenshots take the window area
    Language,         // integer: LanguageIndex, 0..2
    // Software\OmbrelPlayer\Chart
    VisibleChart,  // words (1): the chart's visible-series bits
    ChartColor,    // words (11): the series colours as 0x00BBGGRR, by colour index
};

// Words: a binary value of 32-bit little-endian words, of exactly the default's
// count.
enum class PreferenceType { Integer, String, Words };

struct PreferenceRow {
    Preference id;
    const char16_t* key;
    const char16_t* name;
    PreferenceType type;
    std::uint32_t integer;                 // default of an Integer
    const char16_t* text;                  // default of a String
    std::span<const std::uint32_t> words;  // default of Words
};

inline constexpr int kChartColorCount = 11;

std::span<const PreferenceRow> PreferenceTable();
const PreferenceRow& PreferenceOf(Preference preference);

// True when the key holding `preference` exists. A settings file that exists but
// lacks a key is damaged (the program's "Initial Error" path).
bool PreferenceKeyExists(const platform::Registry& registry, Preference preference);

// Reads fall back to the default when the value is missing, of another type or,
// for words, of another length: a damaged value never ends the program.
std::uint32_t ReadIntegerPreference(const platform::Registry& registry, Preference preference);
QString ReadStringPreference(const platform::Registry& registry, Preference preference);
std::vector<std::uint32_t> ReadWordsPreference(const platform::Registry& registry,
                                               Preference preference);
// The stored language when it is 0..2, otherwise 0 (the stored value is left as it is).
int ReadLanguagePreference(const platform::Registry& registry);

// Writes into `registry` (the caller saves it). `preference` must be of the
// written type, and words of the default's count.
void WriteIntegerPreference(platform::Registry& registry, Preference preference,
                            std::uint32_t value);
void WriteStringPreference(platform::Registry& registry, Preference preference,
                           const QString& value);
void WriteWordsPreference(platform::Registry& registry, Preference preference,
                          std::span<const std::uint32_t> words);

// A settings file without the key a window reads is damaged: the box "Initial
// Error, Please re-Install" / "ERROR" (no owner), then the program is asked to end
// (platform/Termination).
void ShowInitialError();

enum class FirstStartResult { Existing, DefaultsWritten, WriteFailed };

// Before the first window: when there is no settings file at all (a new install),
// writes every preference with its default, as an installer does. An existing
// file, even a damaged or unreadable one, is left alone.
FirstStartResult WriteDefaultsOnFirstStart(
    const QString& filePath = platform::Registry::DefaultFilePath());

}  // namespace foundation
