#include "ui/file_filter.h"

#include <QStringList>

namespace kyv {

QString qtFileFilter(std::string_view classicFilter)
{
    const QString text = QString::fromUtf8(classicFilter.data(), static_cast<qsizetype>(classicFilter.size()));
    const QStringList parts = text.split(QLatin1Char('|'));
    QString description = parts.value(0).trimmed();
    const int open = description.indexOf(QLatin1Char('('));
    if (open >= 0)
        description = description.left(open).trimmed();
    QStringList patterns;
    for (const QString& raw : parts.value(1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = raw.trimmed();
        for (const QString& variant : {pattern.toLower(), pattern.toUpper()})
            if (!variant.isEmpty() && !patterns.contains(variant))
                patterns << variant;
    }
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
}

} // namespace kyv
