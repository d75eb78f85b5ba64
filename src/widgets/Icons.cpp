#include "widgets/Icons.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

// Every image is drawn on a 16 by 16 grid and scaled; outlines sit on half
// units so that the 16-pixel image has sharp one-pixel lines.

namespace {

using TDraw = std::function<void(QPainter &)>;

const QColor kInk(0x3a, 0x4a, 0x5c);
const QColor kPaperEdge(0x6b, 0x7a, 0x8c);
const QColor kLine(0x9a, 0xb0, 0xc8);
const QColor kBlue(0x2f, 0x6f, 0xb5);
const QColor kGreen(0x2e, 0x9e, 0x4f);
const QColor kRed(0xd6, 0x45, 0x41);
const QColor kOrange(0xe8, 0x91, 0x2d);
const QColor kFolder(0xf4, 0xc5, 0x42);
const QColor kFolderEdge(0xb0, 0x80, 0x10);

QPen Pen(const QColor &colour, qreal width = 1.0)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QIcon Painted(const TDraw &normal, const TDraw &selected = {})
{
    QIcon icon;
    for (int size : {16, 20, 24, 32, 40, 48, 64, 96, 128}) {
        const auto render = [size](const TDraw &draw) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / 16.0, size / 16.0);
            draw(p);
            return pixmap;
        };
        icon.addPixmap(render(normal), QIcon::Normal);
        if (selected)
            icon.addPixmap(render(selected), QIcon::Selected);
    }
    return icon;
}

// ---- shapes --------------------------------------------------------------

// A sheet with a folded corner and three text lines, in the left 12 units
// (a badge may sit in the bottom right corner).
void Page(QPainter &p, qreal left = 2.5)
{
    const qreal right = left + 10, top = 1.5, bottom = 14.5, fold = 3;
    QPainterPath sheet;
    sheet.moveTo(left, top);
    sheet.lineTo(right - fold, top);
    sheet.lineTo(right, top + fold);
    sheet.lineTo(right, bottom);
    sheet.lineTo(left, bottom);
    sheet.closeSubpath();
    p.setPen(Pen(kPaperEdge));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold);
    corner.lineTo(right, top + fold);
    p.setBrush(QColor(0xdd, 0xe5, 0xee));
    p.drawPath(corner);
    p.setPen(Pen(kLine));
    for (qreal y : {6.5, 8.5, 10.5})
        p.drawLine(QPointF(left + 2, y), QPointF(right - 2, y));
}

// An office building with a lower wing.
void Building(QPainter &p)
{
    QLinearGradient face(0, 2, 0, 15);
    face.setColorAt(0, QColor(0x9f, 0xbb, 0xdc));
    face.setColorAt(1, QColor(0x6d, 0x8f, 0xb8));
    p.setPen(Pen(kInk));
    p.setBrush(QColor(0xb9, 0xc6, 0xd4));
    p.drawRect(QRectF(9.5, 6.5, 5, 8));
    p.setBrush(face);
    p.drawRect(QRectF(1.5, 1.5, 8, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xf6, 0xfb));
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 2; ++col)
            p.drawRect(QRectF(3 + col * 3, 3 + row * 2.5, 2, 1.5));
    p.drawRect(QRectF(11, 8, 2, 1.5));
    p.drawRect(QRectF(11, 10.5, 2, 1.5));
    p.setBrush(kInk);
    p.drawRect(QRectF(4.5, 12.5, 2, 2));
}

enum class TBadge { Plus, Cross, Check, Clock, Up, Back };

// A round mark in the bottom right corner.
void Badge(QPainter &p, TBadge kind, const QColor &colour)
{
    const QPointF c(11.5, 11.5);
    p.setPen(Pen(Qt::white, 1.0));
    p.setBrush(colour);
    p.drawEllipse(c, 4.25, 4.25);
    p.setPen(Pen(Qt::white, 1.4));
    p.setBrush(Qt::NoBrush);
    switch (kind) {
    case TBadge::Plus:
        p.drawLine(QPointF(9.3, 11.5), QPointF(13.7, 11.5));
        p.drawLine(QPointF(11.5, 9.3), QPointF(11.5, 13.7));
        break;
    case TBadge::Cross:
        p.drawLine(QPointF(9.9, 9.9), QPointF(13.1, 13.1));
        p.drawLine(QPointF(13.1, 9.9), QPointF(9.9, 13.1));
        break;
    case TBadge::Check:
        p.drawPolyline(QPolygonF({QPointF(9.4, 11.6), QPointF(10.9, 13.0), QPointF(13.6, 10.0)}));
        break;
    case TBadge::Clock:
        p.setPen(Pen(Qt::white, 1.1));
        p.drawPolyline(QPolygonF({QPointF(11.5, 9.0), QPointF(11.5, 11.7), QPointF(13.3, 12.6)}));
        break;
    case TBadge::Up:
        p.drawLine(QPointF(11.5, 13.8), QPointF(11.5, 9.4));
        p.drawPolyline(QPolygonF({QPointF(9.6, 11.2), QPointF(11.5, 9.3), QPointF(13.4, 11.2)}));
        break;
    case TBadge::Back: {
        QPainterPath hook;
        hook.moveTo(10.0, 10.3);
        hook.lineTo(12.2, 10.3);
        hook.cubicTo(14.2, 10.3, 14.2, 13.4, 12.2, 13.4);
        hook.lineTo(10.6, 13.4);
        p.drawPath(hook);
        p.drawPolyline(QPolygonF({QPointF(11.2, 9.0), QPointF(9.8, 10.3), QPointF(11.2, 11.6)}));
        break;
    }
    }
}

void ClosedFolder(QPainter &p)
{
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(14.5, 5.0);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    QLinearGradient fill(0, 3, 0, 14);
    fill.setColorAt(0, kFolder.lighter(115));
    fill.setColorAt(1, kFolder.darker(108));
    p.setPen(Pen(kFolderEdge));
    p.setBrush(fill);
    p.drawPath(back);
    p.setPen(Pen(kFolder.lighter(135)));
    p.drawLine(QPointF(2.5, 6.5), QPointF(13.5, 6.5));
}

void OpenFolder(QPainter &p)
{
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(12.5, 5.0);
    back.lineTo(12.5, 7.5);
    p.setPen(Pen(kFolderEdge));
    p.setBrush(kFolder.darker(112));
    p.drawPath(back);
    p.setPen(Pen(kPaperEdge));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 2.5, 7, 6));
    QPainterPath flap;
    flap.moveTo(1.5, 13.5);
    flap.lineTo(4.0, 7.5);
    flap.lineTo(15.5, 7.5);
    flap.lineTo(13.0, 13.5);
    flap.closeSubpath();
    QLinearGradient fill(0, 7, 0, 14);
    fill.setColorAt(0, kFolder.lighter(125));
    fill.setColorAt(1, kFolder);
    p.setPen(Pen(kFolderEdge));
    p.setBrush(fill);
    p.drawPath(flap);
}

// A cabinet of two drawers: the whole register of reports.
void Cabinet(QPainter &p)
{
    QLinearGradient body(1, 0, 15, 0);
    body.setColorAt(0, QColor(0xc3, 0xcd, 0xd8));
    body.setColorAt(1, QColor(0x93, 0xa3, 0xb5));
    p.setPen(Pen(kInk));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1, 1);
    p.setBrush(QColor(0xe4, 0xe9, 0xef));
    p.drawRect(QRectF(4.5, 3.5, 7, 4));
    p.drawRect(QRectF(4.5, 9.5, 7, 3));
    p.setPen(Pen(kInk, 1.2));
    p.drawLine(QPointF(6.8, 5.5), QPointF(9.2, 5.5));
    p.drawLine(QPointF(6.8, 11.0), QPointF(9.2, 11.0));
}

void Printer(QPainter &p)
{
    p.setPen(Pen(kPaperEdge));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    QLinearGradient body(0, 6, 0, 13);
    body.setColorAt(0, QColor(0xc8, 0xd0, 0xd9));
    body.setColorAt(1, QColor(0x8e, 0x9b, 0xaa));
    p.setPen(Pen(kInk));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.2, 1.2);
    p.setPen(Pen(kPaperEdge));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setPen(Pen(kLine));
    p.drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
    p.drawLine(QPointF(6, 13), QPointF(9, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(12.3, 7.6), 0.8, 0.8);
}

void Magnifier(QPainter &p)
{
    p.setPen(Pen(kInk, 2.4));
    p.drawLine(QPointF(10.2, 10.2), QPointF(14.0, 14.0));
    QRadialGradient lens(QPointF(5.5, 5.5), 5);
    lens.setColorAt(0, Qt::white);
    lens.setColorAt(1, QColor(0xb8, 0xd4, 0xf0));
    p.setPen(Pen(kInk, 1.4));
    p.setBrush(lens);
    p.drawEllipse(QPointF(6.5, 6.5), 4.6, 4.6);
}

// A navigation triangle pointing left (or right) with an optional end bar.
void Arrow(QPainter &p, bool right, bool bar)
{
    const qreal shift = bar ? 1.5 : 0;
    QPolygonF triangle({QPointF(11.0 + shift, 3.0), QPointF(11.0 + shift, 13.0), QPointF(5.0 + shift, 8.0)});
    if (right)
        for (QPointF &point : triangle)
            point.setX(16 - point.x());
    p.setPen(Pen(kBlue.darker(130)));
    p.setBrush(kBlue);
    p.drawPolygon(triangle);
    if (bar) {
        const qreal x = right ? 11.5 : 2.5;
        p.drawRect(QRectF(x, 3.0, 2, 10));
    }
}

// A thick plus or minus sign.
void Sign(QPainter &p, bool plus, const QColor &colour)
{
    p.setPen(Pen(colour.darker(130)));
    p.setBrush(colour);
    if (plus) {
        QPainterPath cross;
        cross.setFillRule(Qt::WindingFill); // the bars overlap in the middle
        cross.addRect(QRectF(2.5, 6.5, 11, 3));
        cross.addRect(QRectF(6.5, 2.5, 3, 11));
        p.drawPath(cross.simplified());
    } else {
        p.drawRect(QRectF(2.5, 6.5, 11, 3));
    }
}

void Pencil(QPainter &p)
{
    p.translate(8, 8);
    p.rotate(45);
    p.setPen(Pen(kInk));
    p.setBrush(kOrange);
    p.drawRect(QRectF(-2, -7, 4, 9.5));
    p.setBrush(QColor(0xe8, 0x9c, 0xa8));
    p.drawRect(QRectF(-2, -7, 4, 2));
    QPainterPath tip;
    tip.moveTo(-2, 2.5);
    tip.lineTo(2, 2.5);
    tip.lineTo(0, 6.5);
    tip.closeSubpath();
    p.setBrush(QColor(0xf3, 0xdc, 0xb5));
    p.drawPath(tip);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    QPainterPath lead;
    lead.moveTo(-0.8, 4.9);
    lead.lineTo(0.8, 4.9);
    lead.lineTo(0, 6.5);
    lead.closeSubpath();
    p.drawPath(lead);
    p.resetTransform();
}

void CheckMark(QPainter &p)
{
    p.setPen(Pen(kGreen.darker(115), 3.0));
    p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.0, 12.0), QPointF(13.5, 3.5)}));
}

void CrossMark(QPainter &p)
{
    p.setPen(Pen(kRed, 3.0));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void Circular(QPainter &p)
{
    p.setPen(Pen(kGreen.darker(110), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
    p.setPen(Pen(kGreen.darker(110), 1.0));
    p.setBrush(kGreen.darker(110));
    // The head sits on the arc's start (100 degrees) and points along it.
    p.drawPolygon(QPolygonF({QPointF(6.4, 0.6), QPointF(9.4, 2.6), QPointF(6.4, 4.6)}));
}

void Hourglass(QPainter &p)
{
    QPainterPath glass;
    glass.moveTo(4.0, 2.5);
    glass.lineTo(12.0, 2.5);
    glass.cubicTo(12.0, 6.0, 9.0, 7.0, 9.0, 8.0);
    glass.cubicTo(9.0, 9.0, 12.0, 10.0, 12.0, 13.5);
    glass.lineTo(4.0, 13.5);
    glass.cubicTo(4.0, 10.0, 7.0, 9.0, 7.0, 8.0);
    glass.cubicTo(7.0, 7.0, 4.0, 6.0, 4.0, 2.5);
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(QColor(0xe6, 0xf1, 0xfb));
    p.drawPath(glass);
    const QColor sand(0xe0, 0xa8, 0x3c);
    p.setPen(Qt::NoPen);
    p.setBrush(sand);
    QPainterPath top;
    top.moveTo(5.6, 5.0);
    top.lineTo(10.4, 5.0);
    top.cubicTo(9.6, 6.3, 8.3, 7.0, 8.0, 7.8);
    top.cubicTo(7.7, 7.0, 6.4, 6.3, 5.6, 5.0);
    p.drawPath(top);
    QPainterPath bottom;
    bottom.moveTo(4.7, 13.0);
    bottom.cubicTo(5.5, 11.0, 7.0, 10.6, 8.0, 10.4);
    bottom.cubicTo(9.0, 10.6, 10.5, 11.0, 11.3, 13.0);
    bottom.closeSubpath();
    p.drawPath(bottom);
    p.setPen(Pen(sand, 0.6));
    p.drawLine(QPointF(8.0, 8.0), QPointF(8.0, 10.6));
    p.setPen(Pen(QColor(0x7a, 0x4e, 0x24)));
    p.setBrush(QColor(0xa8, 0x6c, 0x34));
    p.drawRoundedRect(QRectF(2.5, 1.0, 11, 1.8), 0.6, 0.6);
    p.drawRoundedRect(QRectF(2.5, 13.2, 11, 1.8), 0.6, 0.6);
}

// The programs' icon: a form sheet on a blue tile, sealed with a stamp.
void Application(QPainter &p)
{
    QLinearGradient tile(0, 0, 0, 16);
    tile.setColorAt(0, QColor(0x4a, 0x8c, 0xd6));
    tile.setColorAt(1, QColor(0x1f, 0x55, 0x96));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(Pen(QColor(0x1a, 0x3f, 0x6e), 0.6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.0, 2.5, 9, 11));
    p.setPen(Pen(kLine, 0.7));
    for (qreal y : {5.0, 7.0, 9.0, 11.0})
        p.drawLine(QPointF(4.0, y), QPointF(11.0, y));
    p.drawLine(QPointF(6.5, 4.0), QPointF(6.5, 12.0));
    p.setPen(Pen(Qt::white, 0.8));
    p.setBrush(kRed);
    p.drawEllipse(QPointF(11.8, 11.8), 2.9, 2.9);
    p.setPen(Pen(Qt::white, 1.0));
    p.drawPolyline(QPolygonF({QPointF(10.5, 11.9), QPointF(11.5, 12.9), QPointF(13.2, 10.8)}));
}

TDraw PageWith(TBadge badge, const QColor &colour)
{
    return [badge, colour](QPainter &p) {
        Page(p, 1.5);
        Badge(p, badge, colour);
    };
}

TDraw BuildingWith(TBadge badge, const QColor &colour)
{
    return [badge, colour](QPainter &p) {
        Building(p);
        Badge(p, badge, colour);
    };
}

QIcon MakeCommandIcon(TCommandIcon command)
{
    switch (command) {
    case TCommandIcon::NewUnit: return Painted(BuildingWith(TBadge::Plus, kGreen));
    case TCommandIcon::DeleteUnit: return Painted(BuildingWith(TBadge::Cross, kRed));
    case TCommandIcon::NewReport: return Painted(PageWith(TBadge::Plus, kGreen));
    case TCommandIcon::DeleteReport: return Painted(PageWith(TBadge::Cross, kRed));
    case TCommandIcon::Declare: return Painted(PageWith(TBadge::Up, kBlue));
    case TCommandIcon::Undeclare: return Painted(PageWith(TBadge::Back, kOrange));
    case TCommandIcon::Print: return Painted(Printer);
    case TCommandIcon::Find: return Painted(Magnifier);
    case TCommandIcon::First: return Painted([](QPainter &p) { Arrow(p, false, true); });
    case TCommandIcon::Prior: return Painted([](QPainter &p) { Arrow(p, false, false); });
    case TCommandIcon::Next: return Painted([](QPainter &p) { Arrow(p, true, false); });
    case TCommandIcon::Last: return Painted([](QPainter &p) { Arrow(p, true, true); });
    case TCommandIcon::Append: return Painted([](QPainter &p) { Sign(p, true, kGreen); });
    case TCommandIcon::Delete: return Painted([](QPainter &p) { Sign(p, false, kRed); });
    case TCommandIcon::Edit: return Painted(Pencil);
    case TCommandIcon::Post: return Painted(CheckMark);
    case TCommandIcon::Cancel: return Painted(CrossMark);
    case TCommandIcon::Refresh: return Painted(Circular);
    }
    return QIcon();
}

QIcon MakeTreeIcon(TTreeIcon role)
{
    switch (role) {
    case TTreeIcon::Root: return Painted(Cabinet);
    case TTreeIcon::TaxPayer: return Painted(Building);
    case TTreeIcon::Schema: return Painted(ClosedFolder, OpenFolder);
    case TTreeIcon::Awaiting: return Painted(PageWith(TBadge::Clock, kOrange));
    case TTreeIcon::Declared: return Painted(PageWith(TBadge::Check, kGreen));
    }
    return QIcon();
}

// Icons are painted once per process and shared (QIcon is implicitly shared).
template <typename Key, typename Make>
QIcon Cached(Key key, Make make)
{
    static QHash<int, QIcon> cache;
    auto found = cache.constFind(static_cast<int>(key));
    if (found != cache.constEnd())
        return *found;
    return *cache.insert(static_cast<int>(key), make(key));
}

} // namespace

QList<TCommandIcon> AllCommandIcons()
{
    QList<TCommandIcon> all;
    for (int i = 0; i <= static_cast<int>(TCommandIcon::Refresh); ++i)
        all << static_cast<TCommandIcon>(i);
    return all;
}

QIcon TreeIcon(TTreeIcon role) { return Cached(role, MakeTreeIcon); }

QIcon CommandIcon(TCommandIcon command) { return Cached(command, MakeCommandIcon); }

QIcon AppIcon()
{
    static const QIcon icon = Painted(Application);
    return icon;
}

QIcon WaitIcon()
{
    static const QIcon icon = Painted(Hourglass);
    return icon;
}
