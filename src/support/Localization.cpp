#include "support/Localization.h"

#include <atomic>

namespace {
std::atomic<Translator *> s_translator{nullptr};
}

namespace Localization {

void install(Translator *translator)
{
    s_translator.store(translator);
}

void uninstall(Translator *translator)
{
    s_translator.compare_exchange_strong(translator, nullptr);
}

Translator *installed()
{
    return s_translator.load();
}

} // namespace Localization

QString L(const QString &key)
{
    const Translator *translator = s_translator.load();
    return translator ? translator->translate(key) : key;
}

QString L(const char *portugueseLiteral)
{
    return L(QString::fromUtf8(portugueseLiteral));
}

QString L(const char *portugueseLiteral, qint64 count)
{
    QString text = L(portugueseLiteral);
    text.replace(QLatin1String("%lld"), QString::number(count));
    return text;
}
