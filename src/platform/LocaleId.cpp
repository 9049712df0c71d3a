#include "platform/LocaleId.h"

#include <QLocale>

namespace {

struct LocaleEntry {
    const char* name;
    LCID lcid;
};

// The first entry of a language is its main identifier.
constexpr LocaleEntry kLocales[] = {
    {"ar_SA", 0x0401}, {"bg_BG", 0x0402}, {"ca_ES", 0x0403}, {"zh_TW", 0x0404}, {"cs_CZ", 0x0405},
    {"da_DK", 0x0406}, {"de_DE", 0x0407}, {"el_GR", 0x0408}, {"en_US", 0x0409}, {"es_ES", 0x0C0A},
    {"fi_FI", 0x040B}, {"fr_FR", 0x040C}, {"he_IL", 0x040D}, {"hu_HU", 0x040E}, {"is_IS", 0x040F},
    {"it_IT", 0x0410}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"nl_NL", 0x0413}, {"nb_NO", 0x0414},
    {"pl_PL", 0x0415}, {"pt_BR", 0x0416}, {"ro_RO", 0x0418}, {"ru_RU", 0x0419}, {"hr_HR", 0x041A},
    {"sk_SK", 0x041B}, {"sq_AL", 0x041C}, {"sv_SE", 0x041D}, {"th_TH", 0x041E}, {"tr_TR", 0x041F},
    {"id_ID", 0x0421}, {"uk_UA", 0x0422}, {"be_BY", 0x0423}, {"sl_SI", 0x0424}, {"et_EE", 0x0425},
    {"lv_LV", 0x0426}, {"lt_LT", 0x0427}, {"vi_VN", 0x042A}, {"hy_AM", 0x042B}, {"ka_GE", 0x0437},
    {"kk_KZ", 0x043F}, {"zh_CN", 0x0804}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x1404},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"es_MX", 0x080A}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C},
    {"fr_CH", 0x100C}, {"it_CH", 0x0810}, {"nl_BE", 0x0813}, {"pt_PT", 0x0816}, {"ru_MD", 0x0819},
    {"sr_RS", 0x241A}, {"sv_FI", 0x081D},
};

constexpr LCID kEnglishUnitedStates = 0x0409;

}  // namespace

LCID LcidFromLocaleName(const QString& name) {
    QString norm = name.section(u'.', 0, 0).section(u'@', 0, 0);
    norm.replace(u'-', u'_');
    const QString language = norm.section(u'_', 0, 0).toLower();
    const QString country = norm.section(u'_', -1).toUpper();
    const QString key = language + u'_' + country;
    for (const LocaleEntry& e : kLocales) {
        if (key == QLatin1StringView(e.name)) return e.lcid;
    }
    for (const LocaleEntry& e : kLocales) {
        if (QLatin1StringView(e.name).startsWith(language + u'_')) return e.lcid;
    }
    return kEnglishUnitedStates;
}

LCID GetSystemDefaultLCID() {
    return LcidFromLocaleName(QLocale::system().name());
}
