#include "gui/browser/ServerGrid.h"

#include "gui/common/UiSupport.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace {

const QString kUpPicture = QStringLiteral(":/skirmdeck/status_green.png");
const QString kDownPicture = QStringLiteral(":/skirmdeck/status_red.png");

// The status pictures, loaded once and shared by every cell.
const QPixmap &StatusPicture(bool up)
{
    static const QPixmap upPicture(kUpPicture);
    static const QPixmap downPicture(kDownPicture);
    return up ? upPicture : downPicture;
}

// Draws a cell's picture centred, as the classic grid placed its images.
class CentredPictureDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.icon = QIcon();
        background.text.clear();
        background.features.setFlag(QStyleOptionViewItem::HasDecoration, false);
        const QWidget *view = background.widget;
        QStyle *style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, view);
        const QPixmap picture = index.data(Qt::DecorationRole).value<QPixmap>();
        if (picture.isNull())
            return;
        QRect target(QPoint(), picture.size());
        target.moveCenter(option.rect.center());
        painter->drawPixmap(target, picture);
    }
};

struct ColumnLayout {
    const char *header;
    int widthTwips;
    bool centredHeader;
};
constexpr ColumnLayout kLayout[ServerGrid::kColumns] = {
    {"Status", 700, true}, {"Ping", 1000, true},  {"Name", 3000, false}, {"Server IP", 1900, false},
    {"Port", 700, true},   {"Mods", 1500, false}, {"", 0, false},
};

} // namespace

ServerGrid::ServerGrid(const QString &toolTip, QWidget *parent) : QTableWidget(parent)
{
    setToolTip(toolTip);
    setFont(FaceOrStandard(QStringLiteral("MS Sans Serif"), 8));
    setItemDelegateForColumn(colStatus, new CentredPictureDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(Twips(270));
    setWordWrap(false);
}

void ServerGrid::InitGrid()
{
    setColumnCount(kColumns);
    setRowCount(1);
    for (int column = 0; column < kColumns; ++column) {
        auto *header = new QTableWidgetItem(QString::fromLatin1(kLayout[column].header));
        header->setTextAlignment(kLayout[column].centredHeader ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        setHorizontalHeaderItem(column, header);
        setColumnWidth(column, Twips(kLayout[column].widthTwips));
    }
    setColumnHidden(colFlag, true);
    horizontalHeader()->setStretchLastSection(false);
    setMinimumWidth(Twips(8800));
}

int ServerGrid::GridRowAt(const QPoint &viewportPos) const
{
    const int row = rowAt(viewportPos.y());
    return row < 0 ? 0 : row + 1;
}

QTableWidgetItem *ServerGrid::Item(int row, int column)
{
    QTableWidgetItem *cell = item(row - 1, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row - 1, column, cell);
    }
    return cell;
}

QString ServerGrid::Cell(int row, int column) const
{
    const QTableWidgetItem *cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

void ServerGrid::SetCell(int row, int column, const QString &text) { Item(row, column)->setText(text); }

void ServerGrid::SetStatus(int row, bool up)
{
    Item(row, colStatus)->setData(Qt::DecorationRole, StatusPicture(up));
    SetCell(row, colFlag, up ? QStringLiteral("1") : QStringLiteral("0"));
}

void ServerGrid::BlankRow(int row)
{
    for (int column = colStatus; column <= colMods; ++column)
        SetCell(row, column, QString());
    Item(row, colStatus)->setData(Qt::DecorationRole, QVariant());
}

void ServerGrid::RenderRow(int row)
{
    if (rowCount() < row)
        setRowCount(row);
    const ServerRow &server = servers[row - 1];
    SetCell(row, colPing, server.ping);
    SetCell(row, colName, server.name);
    SetCell(row, colIP, server.address);
    Item(row, colIP)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetCell(row, colPort, server.port);
    SetCell(row, colMods, server.mods);
    SetStatus(row, server.up);
}

void ServerGrid::Render()
{
    setUpdatesEnabled(false);
    setRowCount(std::max<int>(1, int(servers.size())));
    if (servers.isEmpty())
        BlankRow(1);
    for (int row = 1; row <= servers.size(); ++row)
        RenderRow(row);
    setUpdatesEnabled(true);
}

void ServerGrid::RenderStatus()
{
    for (int row = 1; row <= servers.size() && row <= rowCount(); ++row) {
        SetCell(row, colPing, servers[row - 1].ping);
        SetCell(row, colIP, servers[row - 1].address);
        SetStatus(row, servers[row - 1].up);
    }
}
