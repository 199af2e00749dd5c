#include "gui/options/PlayerCatalog.h"

#include "core/runtime/RuntimeError.h"

namespace {

CatalogEntry Entry(const char *displayName, const char *fileName)
{
    return {QString::fromLatin1(displayName), QString::fromLatin1(fileName)};
}

// The six pistols the three games share, without the "Empty" slot.
Catalog CommonPistols()
{
    return {
        Entry("92FS 9mm", "sw_9mm.wpn"),     Entry("92FS 9mm-SD", "sw_9mmsd.wpn"),
        Entry("HK .40 USP", "sw_40.wpn"),    Entry("HK .40 USP-SD", "sw_40sd.wpn"),
        Entry("HK .45 Mark23", "sw_45.wpn"), Entry("HK .45 Mark23-SD", "sw_45sd.wpn"),
    };
}

const CatalogEntry *FindBy(const Catalog &catalog, int16_t last, QString CatalogEntry::*field, const QString &text)
{
    for (int i = 0; i <= last; ++i) {
        const CatalogEntry &entry = CatalogAt(catalog, i);
        if (entry.*field == text)
            return &entry;
    }
    return nullptr;
}

} // namespace

namespace PlayerCatalog {

const Catalog &RSPrimaryWeps()
{
    static const Catalog table = {
        Entry("Empty", "none.wpn"),
        Entry("HK MP5-PDW", "pw_mp5k.wpn"),
        Entry("HK MP5A5", "pw_mp5.wpn"),
        Entry("HK MP5SD5", "pw_mp5sd.wpn"),
        Entry("HK MP10A2", "pw_mp10.wpn"),
        Entry("HK MP10SD", "pw_mp10sd.wpn"),
        Entry("HK UMP45", "pw_ump45.wpn"),
        Entry("HK UMP45SD", "pw_ump45sd.wpn"),
        Entry("Skorpion", "tw_skorp.wpn"),
        Entry("Uzi", "tw_uzi.wpn"),
        Entry("AK-47", "tw_ak47.wpn"),
        Entry("AK-74", "tw_ak74.wpn"),
        Entry("M4 Carbine", "pw_car15.wpn"),
        Entry("HK G3A3", "pw_g3a3.wpn"),
        Entry("HK G36K", "pw_g36k.wpn"),
        Entry("Enfield L85A1", "pw_iweap.wpn"),
        Entry("Steyr Aug", "pw_steyr.wpn"),
        Entry("M16", "pw_m16.wpn"),
        Entry("M14", "pw_m14.wpn"),
        Entry("Barret 82A1", "pw_barrett.wpn"),
        Entry("Dragunov", "tw_dragunov.wpn"),
        Entry("PSG-1", "pw_psg1.wpn"),
        Entry("Walther WA 2000", "pw_wa2000.wpn"),
        Entry("Benelli 12ga.", "pw_shotgun.wpn"),
        Entry("Spas-12", "pw_spas12.wpn"),
    };
    return table;
}

const Catalog &RB6PrimaryWeps()
{
    static const Catalog table = {
        Entry("HK MP5A5", "pw_mp5.wpn"), Entry("HK MP5A5 SD", "pw_mp5sd.wpn"), Entry("HK MP5-PDW", "pw_mp5k.wpn"),
        Entry("CAR15", "pw_car15.wpn"),  Entry("M16", "pw_m16.wpn"),           Entry("Benelli 12ga.", "pw_shotgun.wpn"),
    };
    return table;
}

const Catalog &EWPrimaryWeps()
{
    static const Catalog table = {
        Entry("HK MP5A5", "pw_mp5.wpn"),    Entry("HK MP5A5 SD", "pw_mp5sd.wpn"),
        Entry("HK MP5-PDW", "pw_mp5k.wpn"), Entry("CAR15", "pw_car15.wpn"),
        Entry("M16", "pw_m16.wpn"),         Entry("G36", "pw_g36k.wpn"),
        Entry("G3", "pw_g3a3.wpn"),         Entry("Benelli 12ga.", "pw_shotgun.wpn"),
    };
    return table;
}

const Catalog &RSSecondaryWeps()
{
    static const Catalog table = [] {
        Catalog t{Entry("Empty", "none.wpn")};
        t += CommonPistols();
        t << Entry(".50 Desert Eagle", "sw_50.wpn") << Entry("0.357 Desert Eagle", "sw_de357.wpn");
        return t;
    }();
    return table;
}

const Catalog &RB6SecondaryWeps()
{
    static const Catalog table = CommonPistols();
    return table;
}

const Catalog &EWSecondaryWeps()
{
    static const Catalog table = CommonPistols() << Entry("DE .50", "sw_50.wpn");
    return table;
}

const Catalog &RSKitItems()
{
    static const Catalog table = {
        Entry("Empty", "none.eq"),
        Entry("Demolitions Kit", "demo.eq"),
        Entry("Electronics Kit", "elec.eq"),
        Entry("Lockpick Kit", "lock.eq"),
        Entry("Frags", "frag.eq"),
        Entry("Smokes", "smoke.eq"),
        Entry("Flashbangs", "flashbng.eq"),
        Entry("Breaching Charge", "largebreach.eq"),
        Entry("Primary Mags", "extraprimary.eq"),
        Entry("Secondary Mags", "extrasecondary.eq"),
        Entry("HBS", "hbsensor.eq"),
        Entry("Binoculars", "binoculars.eq"),
        Entry("C4", "C4.eq"),
        Entry("SA HBS", "sahbsensor.eq"),
        Entry("SA HBS Jammer", "sahbsensorjammer.eq"),
        Entry("HBS Jammer", "hbsensorjammer.eq"),
    };
    return table;
}

const Catalog &RB6KitItems()
{
    // No smoke grenades, and the breaching charge's file name has a capital B.
    static const Catalog table = {
        Entry("Empty", "none.eq"),
        Entry("Demolitions Kit", "demo.eq"),
        Entry("Electronics Kit", "elec.eq"),
        Entry("Lockpick Kit", "lock.eq"),
        Entry("Frags", "frag.eq"),
        Entry("Flashbangs", "flashbng.eq"),
        Entry("Breaching Charge", "largeBreach.eq"),
        Entry("Primary Mags", "extraprimary.eq"),
        Entry("Secondary Mags", "extrasecondary.eq"),
        Entry("HBS", "hbsensor.eq"),
    };
    return table;
}

} // namespace PlayerCatalog

CatalogEntry &CatalogAt(Catalog &catalog, int index)
{
    if (index < 0 || index >= catalog.size())
        throw RuntimeError(vberr::SubscriptOutOfRange);
    return catalog[index];
}

const CatalogEntry &CatalogAt(const Catalog &catalog, int index)
{
    if (index < 0 || index >= catalog.size())
        throw RuntimeError(vberr::SubscriptOutOfRange);
    return catalog[index];
}

void BuildCatalog(Catalog &catalog, int16_t last, const Catalog &table)
{
    if (last < -1)
        throw RuntimeError(vberr::SubscriptOutOfRange);
    catalog = Catalog(last + 1);
    for (int i = 0; i < table.size(); ++i)
        CatalogAt(catalog, i) = table[i];
}

const CatalogEntry *FindByFileName(const Catalog &catalog, int16_t last, const QString &fileName)
{
    return FindBy(catalog, last, &CatalogEntry::FileName, fileName);
}

const CatalogEntry *FindByDisplayName(const Catalog &catalog, int16_t last, const QString &displayName)
{
    return FindBy(catalog, last, &CatalogEntry::DisplayName, displayName);
}
