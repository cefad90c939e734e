#include "platform/DefaultsStore.h"

#include <QByteArray>
#include <QStringList>

#include <limits>

QVariant DefaultsStore::canonicalValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QVariant(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue > qulonglong(std::numeric_limits<qint64>::max()))
            return {};
        return QVariant(qint64(unsignedValue));
    }
    case QMetaType::Float:
    case QMetaType::Double:
        return QVariant(value.toDouble());
    case QMetaType::QString:
        return value;
    case QMetaType::QStringList:
        return value;
    case QMetaType::QByteArray:
        return value;
    case QMetaType::QVariantList: {
        QStringList strings;
        for (const QVariant &element : value.toList()) {
            if (element.typeId() != QMetaType::QString)
                return {};
            strings.append(element.toString());
        }
        return QVariant(strings);
    }
    default:
        return {};
    }
}
