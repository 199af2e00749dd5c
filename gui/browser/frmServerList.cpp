#include "gui/browser/frmServerList.h"

#include "core/browser/ServerRefresh.h"
#include "core/net/StatusProbe.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/VbConv.h"
#include "gui/browser/ServerGrid.h"
#include "gui/common/UiSupport.h"
#include "gui/options/frmTimer.h"

#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>

namespace {

QPointer<frmServerList> gTheServerList;

} // namespace

frmServerList *frmServerList::Instance()
{
    if (!gTheServerList)
        gTheServerList = new frmServerList();
    return gTheServerList;
}

frmServerList *frmServerList::Existing() { return gTheServerList; }

frmServerList::frmServerList()
{
    setAttribute(Qt::WA_DeleteOnClose);
    gServerList = this;
    BuildControls();
    BuildMenus();
    BuildPopupMenu();
    Form_Load();
}

frmServerList::~frmServerList()
{
    if (gServerList == this)
        gServerList = nullptr;
}

void frmServerList::BuildControls()
{
    setWindowTitle(QStringLiteral("Skirmdeck ServerList"));
    mRefresh = new ServerRefresh(this);
    SocketTimer = mRefresh->probe()->timer();
    SckServer = mRefresh->probe()->socket();
    connect(mRefresh, &ServerRefresh::rowsChanged, this, &frmServerList::ShowRefresh);
    connect(mRefresh, &ServerRefresh::pointerBusy, this, [this](bool busy) {
        if (busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    });
    tabServers = new QTabWidget(this);
    tabServers->setToolTip(
        QStringLiteral("This is the Favorites/DB Tab, You can select what Servers you want to use by "
                       "clicking on the tabs"));
    flexFavorites = new ServerGrid(QStringLiteral("This is your Favorite Server list. It holds any servers you add to "
                                                  "it. Press the left button to bring up the Menu."));
    flexDB = new ServerGrid(QStringLiteral("This is the Server list. It holds the servers that have been Posted to the "
                                           "DB. Press the left button to bring up the Menu."));
    tabServers->addTab(flexFavorites, QStringLiteral("Favorite Servers"));
    tabServers->addTab(flexDB, QStringLiteral("Database Servers"));
    // The tabs caption the grids; the tabs fill the window, whose caption is theirs.
    NameControl(tabServers, windowTitle());
    NameControl(flexFavorites, tabServers->tabText(0));
    NameControl(flexDB, tabServers->tabText(1));
    setCentralWidget(tabServers);
    for (ServerGrid *grid : {flexFavorites, flexDB})
        grid->viewport()->installEventFilter(this);
    resize(Twips(9200), Twips(4800));
}

void frmServerList::BuildMenus()
{
    mnuGameType = menuBar()->addMenu(QStringLiteral("GameType"));
    mnuRS = mnuGameType->addAction(kRogueSpear, this, &frmServerList::mnuRS_Click);
    mnuUO = mnuGameType->addAction(kUrbanOperations, this, &frmServerList::mnuUO_Click);
    mnuRB6 = mnuGameType->addAction(kRainbowSix, this, &frmServerList::mnuRB6_Click);
    mnuEW = mnuGameType->addAction(kEagleWatch, this, &frmServerList::mnuEW_Click);
    mnuProp = menuBar()->addMenu(QStringLiteral("Properties"));
    mnuSocket = mnuProp->addAction(QStringLiteral("Socket TimeOut"), this, &frmServerList::mnuSocket_Click);
}

void frmServerList::BuildPopupMenu()
{
    mnuOptions = new QMenu(this);
    mnuLnch = mnuOptions->addAction(QStringLiteral("Launch Game"), this, &frmServerList::mnuLnch_Click);
    mnuOptions->addSeparator();
    mnuSort = mnuOptions->addMenu(QStringLiteral("Sort Servers"));
    const auto sortItem = [this](const char *caption, SortKey key) {
        return mnuSort->addAction(QString::fromLatin1(caption), this, [this, key] { Sort(key); });
    };
    mnuSrtStatus = sortItem("By Status", SortKey::Status);
    mnuSrtPing = sortItem("By Ping", SortKey::Ping);
    mnuSrtHost = sortItem("By Hostname", SortKey::Hostname);
    mnuSrtIP = sortItem("By IP", SortKey::IP);
    mnuSrtMods = sortItem("By Mods", SortKey::Mods);
    mnuOptions->addSeparator();
    mnuUpdtServer = mnuOptions->addAction(QStringLiteral("Update Server"), this, &frmServerList::mnuUpdtServer_Click);
    mnuUpdtAllServers = mnuOptions->addAction(QStringLiteral("Update All Servers"), this,
                                              &frmServerList::mnuUpdtAllServers_Click);
    mnuOptions->addSeparator();
    mnuUpdtPing = mnuOptions->addAction(QStringLiteral("Update Ping"), this, &frmServerList::mnuUpdtPing_Click);
    mnuUpdtAllPing = mnuOptions->addAction(QStringLiteral("Update All Pings"), this,
                                           &frmServerList::mnuUpdtAllPing_Click);
    mnuOptions->addSeparator();
    mnuServerOptions = mnuOptions->addMenu(QStringLiteral("Server Options"));
    mnuAddFav = mnuServerOptions->addAction(QStringLiteral("Add To Favorites"), this, &frmServerList::mnuAddFav_Click);
    mnuAddServer = mnuServerOptions->addAction(QStringLiteral("Add New Server To Favorites"), this,
                                               &frmServerList::mnuAddServer_Click);
    mnuDeleteServer = mnuServerOptions->addAction(QStringLiteral("Delete Server"), this,
                                                  &frmServerList::mnuDeleteServer_Click);
}

void frmServerList::Form_Load()
{
    Trap(QStringLiteral("Error in Form Load of ServerList "), ErrLayout::DescriptionFirst, [this] {
        SetProgramIcon(this);
        tabServers->setCurrentIndex(0);
        mLastGameType = gGameType;
        // Counters start at 1, so a list whose file cannot be read still fills from its first row.
        mFavRows = std::make_unique<CRowInfo>();
        mDbRows = std::make_unique<CRowInfo>();
        mFavRows->setCurrentRow(1);
        mDbRows->setCurrentRow(1);
        SelectFavGrid();
        flexFavorites->InitGrid();
        flexDB->InitGrid();
        LoadServers(false);
        SetSocketTimerInterval(vb::CLng(gSocketTimeOut));
    });
    connect(tabServers, &QTabWidget::currentChanged, this, &frmServerList::tabServers_Click);
}

void frmServerList::SetSocketTimerInterval(int milliseconds) { mRefresh->probe()->setInterval(milliseconds); }

void frmServerList::showEvent(QShowEvent *event)
{
    // Games the main window found missing stay unselectable here, however often this opens.
    for (const QString &game : gMissingGames)
        DisableGameItem(game);
    QMainWindow::showEvent(event);
}

void frmServerList::DisableGameItem(const QString &game)
{
    for (QAction *item : {mnuRS, mnuUO, mnuRB6, mnuEW}) {
        if (item->text() == game)
            item->setEnabled(false);
    }
}

void frmServerList::SelectFavGrid()
{
    mCurGrid = flexFavorites;
    mCurRows = mFavRows.get();
}

void frmServerList::SelectDbGrid()
{
    mCurGrid = flexDB;
    mCurRows = mDbRows.get();
}

// ---- game switch and tabs ----

void frmServerList::SwitchGame(QAction *item, const QString &errorPrefix, bool installed)
{
    Trap(errorPrefix, ErrLayout::DescriptionFirst, [&] {
        mLastGameType = gGameType;
        gGameType = item->text();
        if (gMain)
            gMain->SelectGame(gGameType);
        if (!installed) {
            item->setEnabled(false);
            return;
        }
        if (gGameType == mLastGameType)
            return;
        if (tabServers->currentIndex() == 1) {
            CleanUpDbList();
            GetDBServers(gGameType);
        } else {
            CleanUpFavList();
            LoadServers(false);
        }
    });
}

void frmServerList::mnuRS_Click() { SwitchGame(mnuRS, QStringLiteral("Error In MenuRSClick "), gRSInstalled); }
void frmServerList::mnuUO_Click() { SwitchGame(mnuUO, QStringLiteral("Error In MenuUOClick "), gUOInstalled); }
void frmServerList::mnuRB6_Click() { SwitchGame(mnuRB6, QStringLiteral("Error In MenuRB6Click "), gRB6Installed); }
void frmServerList::mnuEW_Click() { SwitchGame(mnuEW, QStringLiteral("Error In MenuEWClick "), gEWInstalled); }

void frmServerList::mnuSocket_Click()
{
    auto *dialog = new frmTimer(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void frmServerList::tabServers_Click(int index)
{
    Trap(QStringLiteral("Error In TabClick Event "), ErrLayout::DescriptionFirst, [&] {
        if (index == 0) {
            SelectFavGrid();
            // The grid is compared with the game it was loaded for, so it never shows (and a
            // later save never writes) another game's favourites.
            if (!mFavFile || mFavFile->game() != gGameType) {
                CleanUpFavList();
                LoadServers(false);
            }
            CleanUpDbList();
        } else {
            SelectDbGrid();
            GetDBServers(gGameType);
        }
    });
}

// ---- the grids' pop-up menu ----

bool frmServerList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (ServerGrid *grid : {flexFavorites, flexDB}) {
            if (watched == grid->viewport()) {
                const auto *mouse = static_cast<QMouseEvent *>(event);
                flexGrid_MouseDown(grid, mouse->button(), mouse->position().toPoint());
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmServerList::flexGrid_MouseDown(ServerGrid *grid, Qt::MouseButton button, const QPoint &pos)
{
    const bool onDb = grid == flexDB;
    const QString prefix = onDb ? QStringLiteral("Error In FLEXDB Click Event ")
                                : QStringLiteral("Error In FLEXFAV Click Event ");
    Trap(prefix, ErrLayout::DescriptionFirst, [&] {
        mnuAddFav->setEnabled(onDb);
        mnuAddServer->setEnabled(!onDb);
        mnuDeleteServer->setEnabled(!onDb);
        // The probes share one socket: while one waits, another cannot start.
        mnuUpdtServer->setEnabled(!mRefresh->busy());
        mnuUpdtAllServers->setEnabled(!mRefresh->busy());
        mClickedRow = grid->GridRowAt(pos);
        if (button == Qt::LeftButton)
            mnuOptions->popup(grid->viewport()->mapToGlobal(pos));
    });
}

bool frmServerList::ClickedRow(int &row) const
{
    // Commands opened over the header, below the last row or over the blank row do nothing.
    row = mClickedRow;
    return row >= 1 && row < mCurRows->CurrentRow() && row <= mCurGrid->servers.size();
}
