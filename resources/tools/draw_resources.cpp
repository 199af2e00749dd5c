// Draws the program's pictures into PNG files. The PNGs are committed; the build uses
// them as they are, so this only needs to run again when a picture should change.
//
// Usage: skd_draw_resources <output folder> <version>

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <functional>

namespace {

const QColor kSlate(0x2b, 0x36, 0x3f);
const QColor kOlive(0x5b, 0x6e, 0x3a);
const QColor kSand(0xe8, 0xdc, 0xb8);
const QColor kSignalRed(0xd0, 0x20, 0x18);
const QColor kButtonFace(0xd4, 0xd0, 0xc8);

QFont BoldFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

QFont PlainFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    return font;
}

// The emblem: a shield with a scope ring and cross hairs, drawn into the given square.
void DrawEmblem(QPainter &p, const QRectF &box)
{
    const qreal w = box.width();
    const qreal h = box.height();
    QPainterPath shield;
    shield.moveTo(box.left() + w * 0.5, box.top());
    shield.lineTo(box.right(), box.top() + h * 0.14);
    shield.cubicTo(box.right(), box.top() + h * 0.62, box.left() + w * 0.78, box.top() + h * 0.86, box.left() + w * 0.5,
                   box.bottom());
    shield.cubicTo(box.left() + w * 0.22, box.top() + h * 0.86, box.left(), box.top() + h * 0.62, box.left(),
                   box.top() + h * 0.14);
    shield.closeSubpath();

    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0, kOlive.lighter(130));
    fill.setColorAt(1, kOlive.darker(160));
    p.setPen(QPen(kSand, qMax(1.0, w / 24)));
    p.setBrush(fill);
    p.drawPath(shield);

    const QPointF centre(box.left() + w * 0.5, box.top() + h * 0.45);
    const qreal radius = w * 0.26;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSand, qMax(1.0, w / 20)));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(kSand, qMax(1.0, w / 32)));
    p.drawLine(QPointF(centre.x() - radius * 1.35, centre.y()), QPointF(centre.x() - radius * 0.35, centre.y()));
    p.drawLine(QPointF(centre.x() + radius * 0.35, centre.y()), QPointF(centre.x() + radius * 1.35, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - radius * 1.35), QPointF(centre.x(), centre.y() - radius * 0.35));
    p.drawLine(QPointF(centre.x(), centre.y() + radius * 0.35), QPointF(centre.x(), centre.y() + radius * 1.35));
    p.setPen(Qt::NoPen);
    p.setBrush(kSignalRed);
    p.drawEllipse(centre, radius * 0.16, radius * 0.16);
}

QImage Canvas(int width, int height, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, format);
    image.fill(Qt::transparent);
    return image;
}

QImage DrawIcon(int size)
{
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kSlate);
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.16, size * 0.16);
    const qreal margin = size * 0.12;
    DrawEmblem(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    return image;
}

// A round lamp with a highlight, on a transparent ground.
QImage DrawLamp(const QColor &colour)
{
    QImage image = Canvas(16, 18);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(8, 9);
    QRadialGradient glow(QPointF(6, 6.5), 8);
    glow.setColorAt(0, colour.lighter(190));
    glow.setColorAt(0.45, colour);
    glow.setColorAt(1, colour.darker(170));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(glow);
    p.drawEllipse(centre, 6.5, 6.5);
    return image;
}

// Three rows of a server list, each with its own lamp.
void DrawListGlyph(QPainter &p, const QPointF &origin)
{
    const QColor lamps[] = {QColor(0x1f, 0xaa, 0x2b), kSignalRed, QColor(0x1f, 0xaa, 0x2b)};
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(origin, QSizeF(50, 32)));
    for (int row = 0; row < 3; ++row) {
        const qreal y = origin.y() + 4 + row * 9.5;
        p.setPen(Qt::NoPen);
        p.setBrush(lamps[row]);
        p.drawEllipse(QPointF(origin.x() + 7, y + 3.5), 3, 3);
        p.setBrush(QColor(0x70, 0x70, 0x70));
        p.drawRect(QRectF(origin.x() + 13, y + 2, 32 - row * 6, 3));
    }
}

// A classic bevelled button; pressed, the bevel is sunk and the face moves one pixel.
QImage DrawServerListButton(bool pressed)
{
    const int width = 78;
    const int height = 64;
    QImage image = Canvas(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), pressed ? kButtonFace.darker(108) : kButtonFace);

    const QColor light = Qt::white;
    const QColor shadow(0x80, 0x80, 0x80);
    const QColor dark(0x40, 0x40, 0x40);
    const QColor &outerTopLeft = pressed ? dark : light;
    const QColor &outerBottomRight = pressed ? light : dark;
    const QColor &innerTopLeft = pressed ? shadow : kButtonFace;
    const QColor &innerBottomRight = pressed ? kButtonFace : shadow;
    auto bevel = [&](int inset, const QColor &topLeft, const QColor &bottomRight) {
        p.setPen(topLeft);
        p.drawLine(inset, inset, width - 1 - inset, inset);
        p.drawLine(inset, inset, inset, height - 1 - inset);
        p.setPen(bottomRight);
        p.drawLine(inset, height - 1 - inset, width - 1 - inset, height - 1 - inset);
        p.drawLine(width - 1 - inset, inset, width - 1 - inset, height - 1 - inset);
    };
    bevel(0, outerTopLeft, outerBottomRight);
    bevel(1, innerTopLeft, innerBottomRight);

    const int shift = pressed ? 1 : 0;
    p.setRenderHint(QPainter::Antialiasing);
    DrawListGlyph(p, QPointF(14 + shift, 7 + shift));
    p.setPen(Qt::black);
    p.setFont(BoldFont(11));
    p.drawText(QRectF(0 + shift, 42 + shift, width, 16), Qt::AlignCenter, QStringLiteral("Servers"));
    return image;
}

QImage DrawLogo()
{
    QImage image = Canvas(140, 80);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawEmblem(p, QRectF(50, 2, 40, 44));
    p.setPen(kSlate);
    p.setFont(BoldFont(22));
    p.drawText(QRectF(0, 48, 140, 30), Qt::AlignCenter, QStringLiteral("Skirmdeck"));
    return image;
}

QImage DrawAbout(const QString &version)
{
    QImage image(320, 240, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient ground(0, 0, 0, 240);
    ground.setColorAt(0, kSlate.lighter(120));
    ground.setColorAt(1, kSlate.darker(150));
    p.fillRect(image.rect(), ground);

    DrawEmblem(p, QRectF(20, 24, 80, 90));
    p.setPen(kSand);
    p.setFont(BoldFont(34));
    p.drawText(QRectF(110, 34, 200, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Skirmdeck"));
    p.setFont(PlainFont(14));
    p.drawText(QRectF(112, 80, 200, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version ") + version);

    p.setPen(QPen(kSand, 1));
    p.drawLine(20, 132, 300, 132);
    p.setFont(PlainFont(12));
    p.drawText(QRectF(20, 140, 280, 52), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("A companion for Rogue Spear, Urban Operations, Rainbow Six and Eagle Watch"));
    p.setPen(kSand.darker(125));
    p.setFont(PlainFont(11));
    p.drawText(QRectF(20, 206, 280, 20), Qt::AlignCenter, QStringLiteral("Click here to visit the home page"));
    return image;
}

bool Save(const QImage &image, const QDir &folder, const QString &name)
{
    const QString path = folder.filePath(name);
    if (QDir().mkpath(QFileInfo(path).path()) && image.save(path, "PNG"))
        return true;
    QTextStream(stderr) << "cannot write " << path << '\n';
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: skd_draw_resources <output folder> <version>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString version = QString::fromLocal8Bit(argv[2]);
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        QTextStream(stderr) << "cannot create " << folder.path() << '\n';
        return 1;
    }
    const std::pair<QString, std::function<QImage()>> pictures[] = {
        {QStringLiteral("icon.png"), [] { return DrawIcon(64); }},
        {QStringLiteral("status_green.png"), [] { return DrawLamp(QColor(0x1f, 0xc0, 0x2b)); }},
        {QStringLiteral("status_red.png"), [] { return DrawLamp(kSignalRed); }},
        {QStringLiteral("serverlist.png"), [] { return DrawServerListButton(false); }},
        {QStringLiteral("serverlist_pressed.png"), [] { return DrawServerListButton(true); }},
        {QStringLiteral("logo.png"), [] { return DrawLogo(); }},
        {QStringLiteral("about.png"), [&version] { return DrawAbout(version); }},
    };
    bool ok = true;
    for (const auto &[name, draw] : pictures)
        ok = Save(draw(), folder, name) && ok;
    // The desktop's icon theme wants the program's icon drawn at each of its sizes.
    for (const int size : {16, 32, 48, 64, 128, 256})
        ok = Save(DrawIcon(size), folder, QStringLiteral("hicolor/%1x%1/apps/skirmdeck.png").arg(size)) && ok;
    return ok ? 0 : 1;
}
