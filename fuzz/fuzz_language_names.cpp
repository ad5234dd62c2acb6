// Runs the language-file name conversions on arbitrary text (UTF-8) in every interface
// language: file name to language name, language name to code, and back again.
#include "service/LanguageFiles.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr int kCodePosition = 1; // "l" + two-letter code
constexpr int kCodeLength = 2;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FillLanguageTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int language = 0; language < LanguageColumnCount; ++language) {
        sharedState().LanguageIndex = int16_t(language);
        QString fileName = input;
        const QString name = LanguageFiles::DateinameUmsetzen(fileName);
        if (fileName.size() > input.size())
            std::abort(); // trimming never lengthens the name
        QString asLanguage = input;
        (void)LanguageFiles::SpracheUmsetzen(asLanguage);
        if (name.isEmpty())
            continue;
        // A file listed under a language name gives back the file's own code.
        QString back = name;
        if (LanguageFiles::SpracheUmsetzen(back) != fileName.mid(kCodePosition, kCodeLength))
            std::abort();
    }
    sharedState().LanguageIndex = 0;
    return 0;
}
