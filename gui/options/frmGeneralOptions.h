#pragma once

#include "gui/options/GeneralOptionTables.h"

#include <QDialog>
#include <QString>

#include <array>
#include <span>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The current game's game and graphic options, its video resolution and the program's own
// exit-on-game-start option. Loads when created; OK writes only the boxes the user changed.
class frmGeneralOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmGeneralOptions(QWidget *parent = nullptr);

    QGroupBox *fraGameOptions = nullptr;
    std::array<QCheckBox *, kGameOptBoxes> chkGameOpts{};
    QGroupBox *fraGraphicOptions = nullptr;
    std::array<QCheckBox *, kGraphicOptBoxes> chkGraphicOpts{};
    QLabel *Label1 = nullptr;
    QComboBox *cboResolution = nullptr;
    QCheckBox *chkGameStart = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancell = nullptr;

    void chkGameOpts_Click(int Index);
    void chkGraphicOpts_Click(int Index);
    void cmdOk_Click();
    void cmdCancell_Click();

private:
    enum class Family { None, RS, RB6 };
    using BoxSpan = std::span<QCheckBox *const>;

    void CreateControls();
    void CreateOptionBoxes();
    void SetTabOrder();
    void ConnectHandlers();

    void Form_Load();
    bool LoadFamily();
    void ResolutionComboLoad();
    QString GetResolution();
    void SetResolution(const QString &strResolution);

    void LoadRSGameOpts();
    void LoadRB6GameOpts();
    void LoadRSGraphicOpts();
    void LoadRB6GraphicOpts();
    void WriteGameOpts();
    void WriteRSGraphicOpts();
    void WriteRB6GraphicOpts();

    // Steps the four loading and three writing procedures share.
    void LoadBoxes(QList<GeneralOpt> &table, BoxSpan boxes, std::span<const int> indices, int &current);
    void WriteBoxes(const QList<GeneralOpt> &table, BoxSpan boxes, std::span<const int> indices);
    void NoteClick(QList<GeneralOpt> &table, BoxSpan boxes, int index);

    GeneralOptTables m_tables;
    Family m_family = Family::None;
    QString m_key;
    bool mboolLoading = false;
};
