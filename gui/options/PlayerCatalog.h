#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// One weapon or kit item: the text the drop-down list shows and the game file name the
// registry keeps for it.
struct CatalogEntry {
    QString DisplayName;
    QString FileName;
};

using Catalog = QList<CatalogEntry>;

// The games' fixed weapon and kit tables, in list order.
namespace PlayerCatalog {
const Catalog &RSPrimaryWeps();
const Catalog &RB6PrimaryWeps();
const Catalog &EWPrimaryWeps();
const Catalog &RSSecondaryWeps();
const Catalog &RB6SecondaryWeps();
const Catalog &EWSecondaryWeps();
const Catalog &RSKitItems();
const Catalog &RB6KitItems();
} // namespace PlayerCatalog

// Entry access with the run-time's bounds check: an index outside the catalogue raises error 9.
CatalogEntry &CatalogAt(Catalog &catalog, int index);
const CatalogEntry &CatalogAt(const Catalog &catalog, int index);

// Sizes the catalogue to last + 1 entries and copies the table into it; a table that does
// not fit raises error 9, as a write past the end of a fixed array does.
void BuildCatalog(Catalog &catalog, int16_t last, const Catalog &table);

// Walks entries 0 to last and returns the first whose field equals the text exactly
// (case-sensitive), or nullptr when none does.
const CatalogEntry *FindByFileName(const Catalog &catalog, int16_t last, const QString &fileName);
const CatalogEntry *FindByDisplayName(const Catalog &catalog, int16_t last, const QString &displayName);
