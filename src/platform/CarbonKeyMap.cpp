#include "platform/CarbonKeyMap.h"

#include <QStringList>

namespace CarbonKeyMap {

char16_t characterForKeyCode(quint32 keyCode)
{
    // kVK_ANSI_* in key-code order (0 = A … 50 = grave); 0 marks codes that are not character keys.
    static constexpr char16_t table[] = {
        u'a', u's', u'd', u'f', u'h', u'g', u'z', u'x', u'c', u'v',  //  0- 9
        0,    u'b', u'q', u'w', u'e', u'r', u'y', u't', u'1', u'2',  // 10-19
        u'3', u'4', u'6', u'5', u'=', u'9', u'7', u'-', u'8', u'0',  // 20-29
        u']', u'o', u'u', u'[', u'i', u'p', 0,    u'l', u'j', u'\'', // 30-39
        u'k', u';', u'\\', u',', u'/', u'n', u'm', u'.', 0,   u' ',  // 40-49
        u'`',                                                         // 50
    };
    return keyCode < std::size(table) ? table[keyCode] : char16_t(0);
}

quint16 x11Modifiers(quint32 carbonModifiers)
{
    quint16 mask = 0;
    if (carbonModifiers & CmdKey)
        mask |= X11Mod4Mask;
    if (carbonModifiers & ShiftKey)
        mask |= X11ShiftMask;
    if (carbonModifiers & OptionKey)
        mask |= X11Mod1Mask;
    if (carbonModifiers & ControlKey)
        mask |= X11ControlMask;
    return mask;
}

QString describe(quint32 keyCode, quint32 carbonModifiers)
{
    QStringList parts;
    if (carbonModifiers & ControlKey)
        parts << QStringLiteral("Ctrl");
    if (carbonModifiers & OptionKey)
        parts << QStringLiteral("Alt");
    if (carbonModifiers & CmdKey)
        parts << QStringLiteral("Super");
    if (carbonModifiers & ShiftKey)
        parts << QStringLiteral("Shift");
    const char16_t character = characterForKeyCode(keyCode);
    if (character == u' ')
        parts << QStringLiteral("Space");
    else if (character)
        parts << QString(QChar(character)).toUpper();
    else
        parts << QStringLiteral("key code %1").arg(keyCode);
    return parts.join(u'+');
}

} // namespace CarbonKeyMap
