#include "gui/QtTranslations.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// Qt's own buttons and dialogs read Chinese on a host with no translation
// of its own (the C locale) as on a Chinese one.
TEST(QtTranslations, QtsOwnTextsAreChineseWhereTheLocaleHasNone)
{
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::Chinese, QLocale::China)}) {
        EXPECT_EQ(installQtTranslations(locale), QStringLiteral("zh_CN"));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        for (QTranslator *t : qApp->findChildren<QTranslator *>())
            delete t;
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    }
    // A locale Qt has its own texts for keeps them.
    EXPECT_EQ(installQtTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), QStringLiteral("en_US"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    for (QTranslator *t : qApp->findChildren<QTranslator *>())
        delete t;
}

} // namespace
