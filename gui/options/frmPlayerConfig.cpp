#include "gui/options/frmPlayerConfig.h"

#include "core/state/AppState.h"
#include "core/settings/RegWriteScope.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

// Name boxes take at most 35 typed characters.
constexpr int kNameLimit = 35;

const QString kPlayerNameValue = QStringLiteral("MultiplayerPlayerName");
const QString kClanNameValue = QStringLiteral("MultiplayerClanName");
const QString kPrimaryValue = QStringLiteral("MultiplayerWeapon1");
const QString kSecondaryValue = QStringLiteral("MultiplayerWeapon2");
const QString kKit1Value = QStringLiteral("MultiplayerItem1");
const QString kKit2Value = QStringLiteral("MultiplayerItem2");

// Runs a procedure under its trap: the message is the label, a blank, the number, a blank
// and the description.
template <class Body> bool Trapped(const char *label, Body &&body)
{
    return Trap(QString::fromLatin1(label) + QLatin1Char(' '), ErrLayout::NumberFirst, std::forward<Body>(body));
}

// The limit stops typing only: a longer name already stored is shown whole, so pressing OK
// does not cut it short.
void SetLimitedText(QLineEdit *box, const QString &text)
{
    box->setMaxLength(std::max<int>(kNameLimit, static_cast<int>(text.size())));
    box->setText(text);
}

QLineEdit *NewNameBox(QWidget *parent, TwipsBox box)
{
    QLineEdit *name = NewTextBox(parent, box);
    name->setMaxLength(kNameLimit);
    return name;
}

// Adding the first item to an empty drop-down selects it; the text shown before filling
// must stay what it was.
class KeepEditText {
public:
    explicit KeepEditText(QComboBox *box) : m_box(box), m_text(box->currentText()) {}
    ~KeepEditText()
    {
        m_box->setCurrentIndex(m_box->findText(m_text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        m_box->setEditText(m_text);
    }
    KeepEditText(const KeepEditText &) = delete;
    KeepEditText &operator=(const KeepEditText &) = delete;

private:
    QComboBox *m_box;
    QString m_text;
};

void FillList(QComboBox *box, const Catalog &catalog, int16_t last)
{
    const KeepEditText keep(box);
    for (int i = 0; i <= last; ++i)
        box->addItem(CatalogAt(catalog, i).DisplayName);
}

void ShowStoredChoice(QComboBox *box, const Catalog &catalog, int16_t last, const QString &valueName)
{
    if (const CatalogEntry *entry = FindByFileName(catalog, last, GameSetting(valueName)))
        box->setEditText(entry->DisplayName);
}

// Text that names no entry exactly leaves the stored value as it was.
void StoreChoice(const QComboBox *box, const Catalog &catalog, int16_t last, const QString &valueName)
{
    if (const CatalogEntry *entry = FindByDisplayName(catalog, last, box->currentText()))
        SaveGameSetting(valueName, entry->FileName);
}

} // namespace

frmPlayerConfig::frmPlayerConfig(QWidget *parent) : QDialog(parent)
{
    CreateControls();
    connect(cmdOK, &QPushButton::clicked, this, &frmPlayerConfig::cmdOK_Click);
    connect(cmdCancell, &QPushButton::clicked, this, &frmPlayerConfig::cmdCancell_Click);
    Form_Load();
}

void frmPlayerConfig::CreateControls()
{
    SetClassicFrame(this, QStringLiteral("Player Config"), 5505, 2310);

    lblPlayerName = NewLabel(this, QStringLiteral("Player Name:"), {120, 135, 975, 255});
    txtPlayerName = NewNameBox(this, {1200, 120, 2655, 285});
    lblClanName = NewLabel(this, QStringLiteral("Clan Name:"), {120, 510, 975, 255});
    txtClanName = NewNameBox(this, {1200, 495, 2655, 285});
    lblPrimaryWep = NewLabel(this, QStringLiteral("Primary Weapon"), {360, 960, 1335, 255});
    cboPrimary = NewExactList(this, {120, 1200, 1695, 315});
    lblSecondarywep = NewLabel(this, QStringLiteral("Secondary Weapon"), {2280, 960, 1455, 255});
    cboSecondary = NewExactList(this, {2160, 1200, 1695, 315});
    lblkit1 = NewLabel(this, QStringLiteral("Kit Item 1"), {600, 1590, 735, 255});
    cboKit1 = NewExactList(this, {120, 1830, 1695, 315});
    lblkit2 = NewLabel(this, QStringLiteral("Kit Item 2"), {2640, 1590, 735, 255});
    cboKit2 = NewExactList(this, {2160, 1830, 1695, 315});
    LabelFor(lblPlayerName, txtPlayerName);
    LabelFor(lblClanName, txtClanName);
    LabelFor(lblPrimaryWep, cboPrimary);
    LabelFor(lblSecondarywep, cboSecondary);
    LabelFor(lblkit1, cboKit1);
    LabelFor(lblkit2, cboKit2);
    cmdOK = NewButton(this, QStringLiteral("OK"), {4320, 120, 1095, 375});
    cmdCancell = NewButton(this, QStringLiteral("Cancel"), {4320, 600, 1095, 375});

    ChainTabOrder({txtPlayerName, txtClanName, cboPrimary, cboSecondary, cboKit1, cboKit2, cmdOK, cmdCancell});
}

void frmPlayerConfig::Form_Load()
{
    Trapped("Error in Form Load", [this] {
        SetProgramIcon(this);
        SelectCatalogues();
        LoadDefaultPrimaryWep();
        LoadDefaultSecondaryWep();
        LoadDefaultKit1();
        LoadDefaultKit2();
        LoadPrimaryWeps();
        LoadSecondaryWeps();
        LoadKitItem1();
        LoadKitItem2();
        SetLimitedText(txtPlayerName, GameSetting(kPlayerNameValue));
    });
}

// Any other game name leaves every catalogue empty.
void frmPlayerConfig::SelectCatalogues()
{
    if (IsRSFamily(gGameType)) {
        PrimaryLast = 24;
        SecondaryLast = 8;
        KitLast = 15;
        InitRSPrimaryWeps();
        InitRSSecondaryWeps();
        InitRSKitItems();
        LoadClanName();
    } else if (gGameType == kRainbowSix) {
        PrimaryLast = 5;
        SecondaryLast = 5;
        KitLast = 9;
        InitRB6PrimaryWeps();
        InitRB6SecondaryWeps();
        InitRB6KitItems();
        txtClanName->setVisible(false);
        lblClanName->setVisible(false);
    } else if (gGameType == kEagleWatch) {
        PrimaryLast = 7;
        SecondaryLast = 6;
        KitLast = 9;
        InitEWPrimaryWeps();
        InitEWSecondaryWeps();
        InitRB6KitItems();
        txtClanName->setVisible(false);
        lblClanName->setVisible(false);
    }
}

void frmPlayerConfig::InitRSPrimaryWeps() { BuildCatalog(PrimaryWeps, PrimaryLast, PlayerCatalog::RSPrimaryWeps()); }
void frmPlayerConfig::InitRB6PrimaryWeps() { BuildCatalog(PrimaryWeps, PrimaryLast, PlayerCatalog::RB6PrimaryWeps()); }
void frmPlayerConfig::InitEWPrimaryWeps() { BuildCatalog(PrimaryWeps, PrimaryLast, PlayerCatalog::EWPrimaryWeps()); }

void frmPlayerConfig::InitRSSecondaryWeps()
{
    BuildCatalog(SecondaryWeps, SecondaryLast, PlayerCatalog::RSSecondaryWeps());
}

void frmPlayerConfig::InitRB6SecondaryWeps()
{
    BuildCatalog(SecondaryWeps, SecondaryLast, PlayerCatalog::RB6SecondaryWeps());
}

void frmPlayerConfig::InitEWSecondaryWeps()
{
    BuildCatalog(SecondaryWeps, SecondaryLast, PlayerCatalog::EWSecondaryWeps());
}

void frmPlayerConfig::InitRSKitItems() { BuildCatalog(KitItems, KitLast, PlayerCatalog::RSKitItems()); }
void frmPlayerConfig::InitRB6KitItems() { BuildCatalog(KitItems, KitLast, PlayerCatalog::RB6KitItems()); }

void frmPlayerConfig::LoadClanName()
{
    lblClanName->setVisible(true);
    txtClanName->setVisible(true);
    SetLimitedText(txtClanName, GameSetting(kClanNameValue));
}

void frmPlayerConfig::LoadDefaultPrimaryWep()
{
    Trapped("Error in LoadDefaultPrimaryWep",
            [this] { ShowStoredChoice(cboPrimary, PrimaryWeps, PrimaryLast, kPrimaryValue); });
}

void frmPlayerConfig::LoadDefaultSecondaryWep()
{
    Trapped("Error in LoadDefaultSecondaryWep",
            [this] { ShowStoredChoice(cboSecondary, SecondaryWeps, SecondaryLast, kSecondaryValue); });
}

void frmPlayerConfig::LoadDefaultKit1()
{
    Trapped("Error in LoadDefaultKit1", [this] { ShowStoredChoice(cboKit1, KitItems, KitLast, kKit1Value); });
}

void frmPlayerConfig::LoadDefaultKit2()
{
    Trapped("Error in LoadDefaultKit2", [this] { ShowStoredChoice(cboKit2, KitItems, KitLast, kKit2Value); });
}

void frmPlayerConfig::LoadPrimaryWeps()
{
    Trapped("Error in LoadPrimaryWeps", [this] { FillList(cboPrimary, PrimaryWeps, PrimaryLast); });
}

void frmPlayerConfig::LoadSecondaryWeps()
{
    Trapped("Error in LoadSecondaryWeps", [this] { FillList(cboSecondary, SecondaryWeps, SecondaryLast); });
}

void frmPlayerConfig::LoadKitItem1()
{
    Trapped("Error in LoadKitItem1", [this] { FillList(cboKit1, KitItems, KitLast); });
}

void frmPlayerConfig::LoadKitItem2()
{
    Trapped("Error in LoadKitItem2", [this] { FillList(cboKit2, KitItems, KitLast); });
}

void frmPlayerConfig::cmdOK_Click()
{
    // An error here leaves the window open; one inside WriteToReg does not.
    Trapped("Error in OK button handler", [this] {
        const RegWriteScope oneWrite(gRegUtil());
        SaveGameSetting(kPlayerNameValue, txtPlayerName->text());
        WriteToReg();
        accept();
    });
}

void frmPlayerConfig::WriteToReg()
{
    Trapped("Error in WriteToReg", [this] {
        if (IsRSFamily(gGameType))
            SaveGameSetting(kClanNameValue, txtClanName->text());
        StoreChoice(cboPrimary, PrimaryWeps, PrimaryLast, kPrimaryValue);
        StoreChoice(cboSecondary, SecondaryWeps, SecondaryLast, kSecondaryValue);
        StoreChoice(cboKit1, KitItems, KitLast, kKit1Value);
        StoreChoice(cboKit2, KitItems, KitLast, kKit2Value);
    });
}

void frmPlayerConfig::cmdCancell_Click() { reject(); }
