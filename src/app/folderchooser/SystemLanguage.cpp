#include "SystemLanguage.h"

namespace {

struct TLanguageRow {
    QLocale::Language Language;
    // AnyTerritory marks the language's default identifier, used for countries not listed.
    QLocale::Territory Territory;
    uint16_t Id;
};

constexpr uint16_t EnglishUnitedStates = 0x0409;
constexpr uint16_t GermanGermany = 0x0407;

// Identifiers are the primary language in the low ten bits and the country variant above them.
constexpr TLanguageRow LanguageRows[] = {
    {QLocale::German, QLocale::Germany, 0x0407},
    {QLocale::German, QLocale::Switzerland, 0x0807},
    {QLocale::German, QLocale::Austria, 0x0C07},
    {QLocale::German, QLocale::Luxembourg, 0x1007},
    {QLocale::German, QLocale::Liechtenstein, 0x1407},
    {QLocale::German, QLocale::AnyTerritory, 0x0407},
    {QLocale::English, QLocale::UnitedStates, 0x0409},
    {QLocale::English, QLocale::UnitedKingdom, 0x0809},
    {QLocale::English, QLocale::Australia, 0x0C09},
    {QLocale::English, QLocale::Canada, 0x1009},
    {QLocale::English, QLocale::NewZealand, 0x1409},
    {QLocale::English, QLocale::Ireland, 0x1809},
    {QLocale::English, QLocale::SouthAfrica, 0x1C09},
    {QLocale::English, QLocale::Jamaica, 0x2009},
    {QLocale::English, QLocale::Belize, 0x2809},
    {QLocale::English, QLocale::TrinidadAndTobago, 0x2C09},
    {QLocale::English, QLocale::Zimbabwe, 0x3009},
    {QLocale::English, QLocale::Philippines, 0x3409},
    {QLocale::English, QLocale::India, 0x4009},
    {QLocale::English, QLocale::Malaysia, 0x4409},
    {QLocale::English, QLocale::Singapore, 0x4809},
    {QLocale::English, QLocale::AnyTerritory, 0x0409},
    {QLocale::French, QLocale::France, 0x040C},
    {QLocale::French, QLocale::Belgium, 0x080C},
    {QLocale::French, QLocale::Canada, 0x0C0C},
    {QLocale::French, QLocale::Switzerland, 0x100C},
    {QLocale::French, QLocale::Luxembourg, 0x140C},
    {QLocale::French, QLocale::Monaco, 0x180C},
    {QLocale::French, QLocale::AnyTerritory, 0x040C},
    {QLocale::Italian, QLocale::Italy, 0x0410},
    {QLocale::Italian, QLocale::Switzerland, 0x0810},
    {QLocale::Italian, QLocale::AnyTerritory, 0x0410},
    {QLocale::Dutch, QLocale::Netherlands, 0x0413},
    {QLocale::Dutch, QLocale::Belgium, 0x0813},
    {QLocale::Dutch, QLocale::AnyTerritory, 0x0413},
    {QLocale::Portuguese, QLocale::Brazil, 0x0416},
    {QLocale::Portuguese, QLocale::Portugal, 0x0816},
    {QLocale::Portuguese, QLocale::AnyTerritory, 0x0416},
    {QLocale::Spanish, QLocale::Spain, 0x0C0A},
    {QLocale::Spanish, QLocale::Mexico, 0x080A},
    {QLocale::Spanish, QLocale::Argentina, 0x2C0A},
    {QLocale::Spanish, QLocale::Chile, 0x340A},
    {QLocale::Spanish, QLocale::Colombia, 0x240A},
    {QLocale::Spanish, QLocale::UnitedStates, 0x540A},
    {QLocale::Spanish, QLocale::AnyTerritory, 0x0C0A},
    {QLocale::Swedish, QLocale::Sweden, 0x041D},
    {QLocale::Swedish, QLocale::Finland, 0x081D},
    {QLocale::Swedish, QLocale::AnyTerritory, 0x041D},
    {QLocale::Chinese, QLocale::Taiwan, 0x0404},
    {QLocale::Chinese, QLocale::China, 0x0804},
    {QLocale::Chinese, QLocale::HongKong, 0x0C04},
    {QLocale::Chinese, QLocale::Singapore, 0x1004},
    {QLocale::Chinese, QLocale::Macau, 0x1404},
    {QLocale::Chinese, QLocale::AnyTerritory, 0x0804},
    {QLocale::Danish, QLocale::AnyTerritory, 0x0406},
    {QLocale::Czech, QLocale::AnyTerritory, 0x0405},
    {QLocale::Polish, QLocale::AnyTerritory, 0x0415},
    {QLocale::Finnish, QLocale::AnyTerritory, 0x040B},
    {QLocale::NorwegianBokmal, QLocale::AnyTerritory, 0x0414},
    {QLocale::NorwegianNynorsk, QLocale::AnyTerritory, 0x0814},
    {QLocale::Icelandic, QLocale::AnyTerritory, 0x040F},
    {QLocale::Russian, QLocale::AnyTerritory, 0x0419},
    {QLocale::Ukrainian, QLocale::AnyTerritory, 0x0422},
    {QLocale::Belarusian, QLocale::AnyTerritory, 0x0423},
    {QLocale::Bulgarian, QLocale::AnyTerritory, 0x0402},
    {QLocale::Slovak, QLocale::AnyTerritory, 0x041B},
    {QLocale::Slovenian, QLocale::AnyTerritory, 0x0424},
    {QLocale::Croatian, QLocale::AnyTerritory, 0x041A},
    {QLocale::Hungarian, QLocale::AnyTerritory, 0x040E},
    {QLocale::Romanian, QLocale::AnyTerritory, 0x0418},
    {QLocale::Greek, QLocale::AnyTerritory, 0x0408},
    {QLocale::Turkish, QLocale::AnyTerritory, 0x041F},
    {QLocale::Estonian, QLocale::AnyTerritory, 0x0425},
    {QLocale::Latvian, QLocale::AnyTerritory, 0x0426},
    {QLocale::Lithuanian, QLocale::AnyTerritory, 0x0427},
    {QLocale::Albanian, QLocale::AnyTerritory, 0x041C},
    {QLocale::Catalan, QLocale::AnyTerritory, 0x0403},
    {QLocale::Basque, QLocale::AnyTerritory, 0x042D},
    {QLocale::Galician, QLocale::AnyTerritory, 0x0456},
    {QLocale::Luxembourgish, QLocale::AnyTerritory, 0x046E},
    {QLocale::Irish, QLocale::AnyTerritory, 0x083C},
    {QLocale::Hebrew, QLocale::AnyTerritory, 0x040D},
    {QLocale::Arabic, QLocale::AnyTerritory, 0x0401},
    {QLocale::Japanese, QLocale::AnyTerritory, 0x0411},
    {QLocale::Korean, QLocale::AnyTerritory, 0x0412},
    {QLocale::Thai, QLocale::AnyTerritory, 0x041E},
    {QLocale::Vietnamese, QLocale::AnyTerritory, 0x042A},
    {QLocale::Indonesian, QLocale::AnyTerritory, 0x0421},
};

} // namespace

uint16_t LanguageIdForLocale(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    // No language at all (C, POSIX): the program's own, so that its chooser speaks German too.
    if (language == QLocale::C)
        return GermanGermany;
    const QLocale::Territory territory = locale.territory();
    const TLanguageRow* fallback = nullptr;
    for (const TLanguageRow& row : LanguageRows) {
        if (row.Language != language)
            continue;
        if (row.Territory == territory)
            return row.Id;
        if (row.Territory == QLocale::AnyTerritory && fallback == nullptr)
            fallback = &row;
    }
    return fallback != nullptr ? fallback->Id : EnglishUnitedStates;
}

uint16_t GetSystemDefaultLangID() {
    return LanguageIdForLocale(QLocale::system());
}
