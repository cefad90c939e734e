#include "store/SearchText.h"

namespace SearchText {

QString fold(QStringView text, const QLocale &locale)
{
    QString folded = locale.toLower(text.toString());
    // Simple folding maps each code point to one code point of the same plane, so it can be
    // done in place.
    char16_t *data = reinterpret_cast<char16_t *>(folded.data());
    const qsizetype size = folded.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = data[i];
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(data[i + 1])) {
            const char32_t codePoint = QChar::surrogateToUcs4(unit, data[i + 1]);
            const char32_t mapped = QChar::toCaseFolded(codePoint);
            if (mapped != codePoint && QChar::requiresSurrogates(mapped)) {
                data[i] = QChar::highSurrogate(mapped);
                data[i + 1] = QChar::lowSurrogate(mapped);
            }
            ++i;
        } else if (!QChar::isSurrogate(unit)) {
            const char32_t mapped = QChar::toCaseFolded(char32_t(unit));
            if (!QChar::requiresSurrogates(mapped))
                data[i] = char16_t(mapped);
        }
    }
    return folded;
}

bool isBlank(QStringView text)
{
    for (QChar c : text) {
        if (c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

QLocale locale()
{
    return QLocale::system();
}

} // namespace SearchText
