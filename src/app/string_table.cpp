#include "app/string_table.h"

#include <QtCore/QCoreApplication>

#include <algorithm>
#include <array>

namespace qm {
namespace {

struct StringEntry {
    unsigned id;
    const char* text;
};

// Sorted by id. Add new ids in order; QT_TRANSLATE_NOOP lets lupdate find
// the texts for the translation files.
constexpr StringEntry kStrings[] = {
    {242, QT_TRANSLATE_NOOP("StringTable", "Exit now?")},
    {305, QT_TRANSLATE_NOOP("StringTable", "MSXML not registered")},
    {306, QT_TRANSLATE_NOOP("StringTable", "Unable to create MSXML instance")},
    {307, QT_TRANSLATE_NOOP("StringTable",
                            "Quenmark has encountered a memory problem and needs to close.\n"
                            "We are sorry for the inconvenience.\n"
                            "You can enlarge your virtual memory and try again.")},
    {346, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {349, QT_TRANSLATE_NOOP("StringTable", "Quenmark")},
    {434, QT_TRANSLATE_NOOP("StringTable", "Quenmark has been running!")},
    {435, QT_TRANSLATE_NOOP("StringTable", "zorv.chm")},
    {61240, QT_TRANSLATE_NOOP("StringTable",
                              "Failed to allocate the memory. Please untick \"Recover RAW file\" in RAW of "
                              "\"Option\" and try again. ")},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; }));

}  // namespace

const char* AppStringEnglish(unsigned id)
{
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const StringEntry& entry, unsigned key) { return entry.id < key; });
    return it != std::end(kStrings) && it->id == id ? it->text : nullptr;
}

QString LoadAppString(unsigned id)
{
    const char* text = AppStringEnglish(id);
    return text == nullptr ? QString() : QCoreApplication::translate("StringTable", text);
}

}  // namespace qm
