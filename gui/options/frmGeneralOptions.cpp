#include "gui/options/frmGeneralOptions.h"

#include "core/state/AppState.h"
#include "core/settings/RegWriteScope.h"
#include "core/runtime/CErrorUtil.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"
#include "core/runtime/VbConv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

const QString kUnloadOnStart = QStringLiteral("UnloadOnStart");
const QString kVideoResolution = QStringLiteral("VideoResolution");

constexpr std::array<int, 8> kRSGameRange = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr std::array<int, 7> kRB6GameRange = {0, 1, 2, 3, 4, 5, 6};
constexpr std::array<int, 9> kRSGraphicRange = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<int, 2> kRB6GraphicRange = {0, kFullScreenIndex};

// Client area and the rows of the two option frames, in twips.
constexpr int kClientWidth = 6495;
constexpr int kClientHeight = 3735;
constexpr int kFrameTop = 60;
constexpr int kFrameHeight = 2535;
constexpr int kBoxTop = 240;
constexpr int kBoxStep = 285;
constexpr int kBoxHeight = 255;

constexpr HKEY kRoot = HKEY_LOCAL_MACHINE;

// A record of a table; an index the table does not hold is a subscript error.
template <class Table> auto &RecordAt(Table &table, int index)
{
    if (index < 0 || index >= table.size())
        throw RuntimeError(vberr::SubscriptOutOfRange);
    return table[index];
}

QString LoadRSGameOptsMessage(const RuntimeError &error, int index, const GeneralOpt &opt)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Error in LoadRSGameOpts") + crlf + error.description() + crlf +
           QString::number(error.number()) + crlf + QString::number(index) + crlf + opt.Caption + crlf + opt.ValueName;
}

} // namespace

frmGeneralOptions::frmGeneralOptions(QWidget *parent) : QDialog(parent)
{
    CreateControls();
    SetTabOrder();
    ConnectHandlers();
    Form_Load();
}

void frmGeneralOptions::CreateControls()
{
    SetClassicFrame(this, QStringLiteral("General Options"), kClientWidth, kClientHeight);
    SetProgramIcon(this);

    fraGameOptions = NewFrame(this, QStringLiteral("Game Options"), {120, kFrameTop, 3015, kFrameHeight});
    fraGraphicOptions = NewFrame(this, QStringLiteral("Graphic Options"), {3240, kFrameTop, 3135, kFrameHeight});
    CreateOptionBoxes();

    Label1 = NewLabel(this, QStringLiteral("Video Resolution:"), {120, 2775, 1575, 255});
    cboResolution = NewExactList(this, {1740, 2730, 1335, 315});
    cboResolution->setEditText(QStringLiteral("1600x1200"));
    LabelFor(Label1, cboResolution);

    chkGameStart = NewCheckBox(this, QStringLiteral("Exit on Game Start"), {120, 3285, 1815, 255});
    chkGameStart->setFont(ClassicFont(QStringLiteral("Small Fonts"), 7));

    cmdOk = NewButton(this, QStringLiteral("OK"), {4080, 3240, 1095, 375});
    cmdCancell = NewButton(this, QStringLiteral("Cancel"), {5280, 3240, 1095, 375});
}

void frmGeneralOptions::CreateOptionBoxes()
{
    // Captions come from the tables at load time.
    for (int i = 0; i < kGameOptBoxes; ++i)
        chkGameOpts[i] = NewCheckBox(fraGameOptions, QString(), {120, kBoxTop + i * kBoxStep, 2775, kBoxHeight});
    for (int i = 0; i < kFullScreenIndex; ++i)
        chkGraphicOpts[i] = NewCheckBox(fraGraphicOptions, QString(), {120, kBoxTop + i * kBoxStep, 2895, kBoxHeight});
    // Full screen sits outside the frame, beside the resolution it goes with.
    chkGraphicOpts[kFullScreenIndex] = NewCheckBox(this, QString(), {3360, 2775, 1455, kBoxHeight});
}

void frmGeneralOptions::SetTabOrder()
{
    QList<QWidget *> order(chkGameOpts.begin(), chkGameOpts.end());
    order.append(QList<QWidget *>(chkGraphicOpts.begin(), chkGraphicOpts.begin() + kFullScreenIndex));
    ChainTabOrder(order << cboResolution << chkGraphicOpts[kFullScreenIndex] << chkGameStart << cmdOk << cmdCancell);
}

void frmGeneralOptions::ConnectHandlers()
{
    // A box's click event also fires when its state is set from code, as during loading.
    for (int i = 0; i < kGameOptBoxes; ++i)
        connect(chkGameOpts[i], &QCheckBox::stateChanged, this, [this, i] { chkGameOpts_Click(i); });
    for (int i = 0; i < kGraphicOptBoxes; ++i)
        connect(chkGraphicOpts[i], &QCheckBox::stateChanged, this, [this, i] { chkGraphicOpts_Click(i); });
    connect(cmdOk, &QPushButton::clicked, this, &frmGeneralOptions::cmdOk_Click);
    connect(cmdCancell, &QPushButton::clicked, this, &frmGeneralOptions::cmdCancell_Click);
}

void frmGeneralOptions::Form_Load()
{
    mboolLoading = true;
    m_key = gRegistry;
    Trap(QStringLiteral("Error Reading Registry Values "), ErrLayout::DescriptionFirst, [&] {
        if (!LoadFamily())
            return; // not a game of either family: nothing is loaded
        const bool unload = vb::CBool(OwnSetting(kUnloadOnStart));
        SetCheckValue(chkGameStart, BoolToCheck(unload));
        mboolLoading = false;
    });
}

bool frmGeneralOptions::LoadFamily()
{
    if (IsRSFamily(gGameType)) {
        m_family = Family::RS;
        m_tables = BuildRSOptTables();
    } else if (IsRB6Family(gGameType)) {
        m_family = Family::RB6;
        m_tables = BuildRB6OptTables();
    } else {
        return false;
    }
    ResolutionComboLoad();
    cboResolution->setEditText(GetResolution());
    if (m_family == Family::RS) {
        LoadRSGameOpts();
        LoadRSGraphicOpts();
    } else {
        LoadRB6GameOpts();
        LoadRB6GraphicOpts();
    }
    return true;
}

void frmGeneralOptions::ResolutionComboLoad()
{
    Trap(QStringLiteral("Error in ResolutionComboLoad "), ErrLayout::DescriptionFirst, [&] {
        // Filling the list chooses no item: the box shows the stored text, set next.
        cboResolution->addItems(ResolutionList());
        cboResolution->setCurrentIndex(-1);
    });
}

QString frmGeneralOptions::GetResolution()
{
    QString resolution;
    Trap(QStringLiteral("Error in GetResolution "), ErrLayout::DescriptionFirst,
         [&] { resolution = gRegUtil().GetSettingString(kRoot, m_key, kVideoResolution); });
    return resolution;
}

void frmGeneralOptions::SetResolution(const QString &strResolution)
{
    Trap(QStringLiteral("Error in SetResolution "), ErrLayout::DescriptionFirst,
         [&] { gRegUtil().SaveSettingString(kRoot, m_key, kVideoResolution, strResolution); });
}

void frmGeneralOptions::LoadBoxes(QList<GeneralOpt> &table, BoxSpan boxes, std::span<const int> indices, int &current)
{
    for (const int i : indices) {
        current = i;
        LoadOptionBox(RecordAt(table, i), boxes[i], m_key);
    }
}

void frmGeneralOptions::LoadRSGameOpts()
{
    int current = 0;
    const auto message = [&](const RuntimeError &error) {
        const GeneralOpt &opt = current < m_tables.GameOpts.size() ? m_tables.GameOpts[current] : GeneralOpt{};
        return LoadRSGameOptsMessage(error, current, opt);
    };
    TrapWith(message, [&] { LoadBoxes(m_tables.GameOpts, chkGameOpts, kRSGameRange, current); });
}

void frmGeneralOptions::LoadRB6GameOpts()
{
    int current = 0;
    Trap(QStringLiteral("Error in LoadRB6GameOpts "), ErrLayout::DescriptionFirst, [&] {
        LoadBoxes(m_tables.GameOpts, chkGameOpts, kRB6GameRange, current);
        chkGameOpts[kGameOptBoxes - 1]->hide();
    });
}

void frmGeneralOptions::LoadRSGraphicOpts()
{
    int current = 0;
    Trap(QStringLiteral("Error in LoadRSGraphicOpts "), ErrLayout::DescriptionFirst,
         [&] { LoadBoxes(m_tables.GraphicOpts, chkGraphicOpts, kRSGraphicRange, current); });
}

void frmGeneralOptions::LoadRB6GraphicOpts()
{
    int current = 0;
    Trap(QStringLiteral("Error in LoadRB6GraphicOpts "), ErrLayout::DescriptionFirst, [&] {
        LoadBoxes(m_tables.GraphicOpts, chkGraphicOpts, kRB6GraphicRange, current);
        for (int i = 1; i < kFullScreenIndex; ++i)
            chkGraphicOpts[i]->hide();
    });
}

void frmGeneralOptions::NoteClick(QList<GeneralOpt> &table, BoxSpan boxes, int index)
{
    if (mboolLoading)
        return;
    GeneralOpt &opt = RecordAt(table, index);
    opt.Changed = CheckValue(boxes[index]) != opt.LoadedState;
}

void frmGeneralOptions::chkGameOpts_Click(int Index)
{
    Trap(QStringLiteral("Error In chkGameOpts Click event "), ErrLayout::DescriptionFirst,
         [&] { NoteClick(m_tables.GameOpts, chkGameOpts, Index); });
}

void frmGeneralOptions::chkGraphicOpts_Click(int Index)
{
    Trap(QStringLiteral("Error in chkGraphicOptsErr "), ErrLayout::DescriptionFirst,
         [&] { NoteClick(m_tables.GraphicOpts, chkGraphicOpts, Index); });
}

void frmGeneralOptions::WriteBoxes(const QList<GeneralOpt> &table, BoxSpan boxes, std::span<const int> indices)
{
    for (const int i : indices)
        WriteOptionBox(RecordAt(table, i), boxes[i], m_key);
}

void frmGeneralOptions::WriteGameOpts()
{
    Trap(QStringLiteral("Error in WriteGameOpts "), ErrLayout::DescriptionFirst, [&] {
        const auto count = static_cast<size_t>(m_tables.HighestGameIndex + 1);
        WriteBoxes(m_tables.GameOpts, chkGameOpts, std::span<const int>(kRSGameRange).first(count));
    });
}

void frmGeneralOptions::WriteRSGraphicOpts()
{
    Trap(QStringLiteral("Error in WriteRSGraphicOpts "), ErrLayout::DescriptionFirst,
         [&] { WriteBoxes(m_tables.GraphicOpts, chkGraphicOpts, kRSGraphicRange); });
}

void frmGeneralOptions::WriteRB6GraphicOpts()
{
    Trap(QStringLiteral("Error in WriteRB6GraphicOpts "), ErrLayout::DescriptionFirst,
         [&] { WriteBoxes(m_tables.GraphicOpts, chkGraphicOpts, kRB6GraphicRange); });
}

void frmGeneralOptions::cmdOk_Click()
{
    const bool done = Trap(QStringLiteral("Error in OK click "), ErrLayout::DescriptionFirst, [&] {
        // A dialog opened for no known game showed nothing of the stored settings, so it
        // overwrites none of them.
        if (m_family == Family::None)
            return;
        const RegWriteScope oneWrite(gRegUtil());
        WriteGameOpts();
        if (m_family == Family::RS)
            WriteRSGraphicOpts();
        else
            WriteRB6GraphicOpts();
        SetResolution(cboResolution->currentText());
        const bool unload = CheckValue(chkGameStart) == 1;
        SaveOwnSetting(kUnloadOnStart, vb::CStr(unload));
        gUnloadOnStart = unload;
    });
    if (done)
        accept();
}

void frmGeneralOptions::cmdCancell_Click() { reject(); }
