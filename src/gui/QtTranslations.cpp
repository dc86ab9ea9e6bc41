#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane {

QString installQtTranslations(const QLocale &locale)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(QCoreApplication::instance());
    // A host left at the C locale (a fresh install, a service) has none; the
    // station's crews read Chinese.
    for (const QLocale &wanted : {locale, QLocale(QLocale::Chinese, QLocale::China)}) {
        if (translator->load(wanted, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return wanted.name();
        }
    }
    delete translator;
    return {};
}

} // namespace korvane
