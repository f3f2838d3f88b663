#include "FileFilter.h"

#include <QtCore/QStringList>

#include "QtText.h"

namespace tavrel {

QString qtFileFilter(std::string_view filter) {
    const QStringList parts = qs(filter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        const QString pattern = parts[i + 1].trimmed();
        if (text.isEmpty() && pattern.isEmpty()) continue;
        // Qt reads the patterns from the last parentheses; a text that ends with them already is whole.
        const QString bracketed = '(' + pattern + ')';
        entries << (text.endsWith(bracketed) ? text : text + ' ' + bracketed);
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace tavrel
