#include "settings/Language.h"

#include "resources/StringTable.h"
#include "settings/SharedState.h"

QString PickString(int russianId) {
    return LoadStringForLanguage(russianId, LanguageFlag);
}
