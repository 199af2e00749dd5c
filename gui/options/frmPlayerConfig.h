#pragma once

#include "gui/options/PlayerCatalog.h"

#include <QDialog>

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Player Config": the multiplayer name, clan and loadout of the current game. Weapons and
// kit are shown by display name and stored by the game's file name.
class frmPlayerConfig : public QDialog {
    Q_OBJECT

public:
    // Loads the settings at once: Form_Load runs here.
    explicit frmPlayerConfig(QWidget *parent = nullptr);

    void cmdOK_Click();
    void cmdCancell_Click();

    QLabel *lblPlayerName;
    QLineEdit *txtPlayerName;
    QLabel *lblClanName;
    QLineEdit *txtClanName;
    QLabel *lblPrimaryWep;
    QComboBox *cboPrimary;
    QLabel *lblSecondarywep;
    QComboBox *cboSecondary;
    QLabel *lblkit1;
    QComboBox *cboKit1;
    QLabel *lblkit2;
    QComboBox *cboKit2;
    QPushButton *cmdOK;
    QPushButton *cmdCancell;

private:
    void Form_Load();
    void CreateControls();
    void SelectCatalogues();

    void InitRSPrimaryWeps();
    void InitRB6PrimaryWeps();
    void InitEWPrimaryWeps();
    void InitRSSecondaryWeps();
    void InitRB6SecondaryWeps();
    void InitEWSecondaryWeps();
    void InitRSKitItems();
    void InitRB6KitItems();

    void LoadClanName();
    void LoadDefaultPrimaryWep();
    void LoadDefaultSecondaryWep();
    void LoadDefaultKit1();
    void LoadDefaultKit2();
    void LoadPrimaryWeps();
    void LoadSecondaryWeps();
    void LoadKitItem1();
    void LoadKitItem2();
    void WriteToReg();

    Catalog PrimaryWeps;
    Catalog SecondaryWeps;
    Catalog KitItems;
    int16_t PrimaryLast = 0;
    int16_t SecondaryLast = 0;
    int16_t KitLast = 0;
};
