#include "settings/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "resources/StringTable.h"
#include "settings/SharedState.h"

QString PickString(int russianId) {
    return LoadStringForLanguage(russianId, LanguageFlag);
}

bool ApplyQtTranslations(int flag) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return false;
    // Loaded once per application, which owns it.
    static QPointer<QTranslator> russian;
    if (flag == 0) {
        if (russian != nullptr) QCoreApplication::removeTranslator(russian);
        return true;
    }
    if (russian == nullptr) {
        auto* catalogue = new QTranslator(application);
        if (!catalogue->load(QStringLiteral("qtbase_ru"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete catalogue;
            return false;
        }
        russian = catalogue;
    }
    QCoreApplication::removeTranslator(russian);  // installed once, however often applied
    return QCoreApplication::installTranslator(russian);
}
