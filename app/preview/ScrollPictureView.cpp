#include "app/preview/ScrollPictureView.h"

#include "app/preview/ExifReader.h"
#include "app/preview/VantrelDoc.h"
#include "image/IImage.h"
#include "platform/FileFacts.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <exception>
#include <vector>

namespace {

constexpr int kBoxMargin = 2;
constexpr int kPanelGap = 20;
constexpr int kRowIndent = 20;
constexpr int kOuterFrame = 5;
constexpr int kInnerFrame = 10;
constexpr QSize kInitialScrollSize(100, 100);

struct PropertyRow {
    int nIfd;
    QString name;
    QString value;
};

std::vector<PropertyRow> ReadRows(CExifReader& exif) {
    std::vector<PropertyRow> rows;
    exif.Rewind();
    int nIfd = 0;
    while (ExifEntry* entry = exif.NextEntry(nIfd))
        rows.push_back({nIfd, QString::fromStdString(CExifReader::TagName(entry)),
                        QString::fromStdString(CExifReader::ValueText(entry))});
    return rows;
}

QString WithoutTrailingSpace(QString text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    text.truncate(end);
    return text;
}

// A row of a picture without EXIF data: the label, then the number right-aligned in 30.
QString SizeRow(const char* label, int value) {
    return QString::asprintf("%s%30d", label, value);
}

// Text placed by its top-left corner.
void DrawTextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

// A frame whose right and bottom edges lie just inside the rectangle's right and bottom.
void DrawFrame(QPainter& painter, const PaneRect& r) {
    painter.drawRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1);
}

} // namespace

CScrollPictureView::CScrollPictureView(CVantrelDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_pDoc(doc), m_pImage(std::make_unique<IImage>(0)),
      m_pExif(std::make_unique<CExifReader>()), m_sizeTotal(kInitialScrollSize) {}

CScrollPictureView::~CScrollPictureView() = default;

void CScrollPictureView::SetPicturePath(const std::string& path) {
    m_strPicturePath = path;
}

bool CScrollPictureView::ShowPicture() {
    if (!plat::FileExists(m_strPicturePath))
        return false;
    try {
        m_bHasExif = m_pExif->Load(m_strPicturePath);
        m_pImage->GetXImage()->Load(m_strPicturePath, 0);
    } catch (const std::exception&) {
        // Out of memory while reading: the pane shows what the picture object now holds.
    }
    viewport()->update();
    return true;
}

void CScrollPictureView::ClearPicture() {
    if (!PictureLoaded())
        return;
    m_pImage->GetXImage()->Destroy();
    viewport()->update();
}

void CScrollPictureView::OnInitialUpdate() {
    SetScrollSizes(kInitialScrollSize);
    m_pDoc->m_pPictureView = this;
}

PaneRect CScrollPictureView::FitPictureRect(const PaneRect& client, int width, int height) {
    // The box is square and follows the pane's width: its bottom is taken from the right edge.
    PaneRect box{client.left + kBoxMargin, client.top + kBoxMargin, client.right - kBoxMargin,
                 client.right - kBoxMargin};
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    const int c = w / 2 + 1;
    if (width <= w && height <= h) {
        if (width == w) {
            box.bottom = w * height / width;
        } else {
            box.left = c - width / 2;
            box.right = c + width / 2;
            // The picture's height is taken as the bottom coordinate itself, not top + height.
            if (height < h)
                box.bottom = height;
        }
    } else if (static_cast<double>(width) / height >= 1.0) {
        box.bottom = w * height / width;
    } else {
        const int a = h * width / (2 * height);
        box.left = c - a;
        box.right = c + a;
    }
    return box;
}

QSize CScrollPictureView::DrawProperties(QPainter& painter, const PaneRect& client,
                                         const PaneRect& box, CExifReader* exif, int width,
                                         int height) {
    painter.save();
    // Rows are measured in the font the pane paints with; the panel's own fonts come later.
    const QFontMetrics metrics = painter.fontMetrics();
    const int lh = metrics.size(0, QStringLiteral("test")).height();
    const int x0 = std::min(box.left, kBoxMargin);
    const int y0 = box.bottom + kPanelGap;

    const std::vector<PropertyRow> rows = exif ? ReadRows(*exif) : std::vector<PropertyRow>();
    const QString sizeRows[] = {SizeRow("Image Width", width), SizeRow("Image Height", height)};
    // The rows follow the title and an empty line: one line per entry and an empty one between
    // IFD groups, or the two size rows.
    int lines = 0;
    int nameWidth = 0;
    int valueWidth = 0;
    if (exif) {
        int lastIfd = 0;
        for (const PropertyRow& row : rows) {
            if (row.nIfd != lastIfd)
                ++lines;
            lastIfd = row.nIfd;
            ++lines;
            nameWidth = std::max(nameWidth, metrics.horizontalAdvance(row.name));
            valueWidth = std::max(valueWidth, metrics.horizontalAdvance(row.value));
        }
    } else {
        lines = 2;
        for (const QString& text : sizeRows)
            nameWidth = std::max(nameWidth, metrics.horizontalAdvance(text));
    }
    // One empty line under the last row keeps it clear of the frames.
    const int yEnd = y0 + (2 + lines + 1) * lh;
    const int xName = x0 + kRowIndent;
    const int xValue = xName + nameWidth + kRowIndent;
    // The widest row with the panel's margins, so that a long value can be scrolled into view
    // inside the frames.
    const int contentRight = (exif ? xValue + valueWidth : xName + nameWidth) + kRowIndent;

    const PaneRect panel{x0, y0, std::max(contentRight, client.right),
                         std::max(yEnd, client.bottom)};
    painter.fillRect(panel.left, panel.top, panel.right - panel.left, panel.bottom - panel.top,
                     Qt::white);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    for (const int inset : {kOuterFrame, kInnerFrame})
        DrawFrame(painter, {panel.left + inset, panel.top + inset, panel.right - inset,
                            panel.bottom - inset});

    // The title is drawn on an opaque white ground, so it interrupts the frame lines under it.
    QFont font = painter.font();
    font.setFamily(QStringLiteral("Verdana"));
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QString title = QStringLiteral("Picture Properties");
    DrawTextAt(painter,
               (client.right - client.left) / 2 -
                   painter.fontMetrics().horizontalAdvance(title) / 2,
               y0, title);
    font.setWeight(QFont::Normal);
    painter.setFont(font);

    int y = y0 + 2 * lh;
    if (exif) {
        int lastIfd = 0;
        for (const PropertyRow& row : rows) {
            if (row.nIfd != lastIfd)
                y += lh;
            DrawTextAt(painter, xName, y, WithoutTrailingSpace(row.name));
            DrawTextAt(painter, xValue, y, WithoutTrailingSpace(row.value));
            lastIfd = row.nIfd;
            y += lh;
        }
    } else {
        for (const QString& text : sizeRows) {
            DrawTextAt(painter, xName, y, text);
            y += lh;
        }
    }
    painter.restore();
    return {contentRight, yEnd};
}

void CScrollPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Button));
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    OnDraw(painter);
}

void CScrollPictureView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

bool CScrollPictureView::PictureLoaded() const {
    const CxImage* picture = m_pImage->GetXImage();
    return picture->IsValid() && picture->IsEnabled();
}

PaneRect CScrollPictureView::ClientRect() const {
    return {0, 0, viewport()->width(), viewport()->height()};
}

void CScrollPictureView::OnDraw(QPainter& painter) {
    CxImage* picture = m_pImage->GetXImage();
    if (!PictureLoaded() || picture->GetWidth() == 0)
        return;
    try {
        const PaneRect client = ClientRect();
        const PaneRect box = FitPictureRect(client, picture->GetWidth(), picture->GetHeight());
        // A picture whose pixels turn out damaged paints nothing and is dropped: the pane then
        // shows its background alone.
        if (!picture->Draw(&painter, box.left, box.top, box.right - box.left,
                           box.bottom - box.top) &&
            !PictureLoaded())
            return;
        const QSize content =
            DrawProperties(painter, client, box, m_bHasExif ? m_pExif.get() : nullptr,
                           picture->GetWidth(), picture->GetHeight());
        // Content that does not fit sets the range to its size; content that fits leaves the
        // range as it was.
        if (content.height() > client.bottom || content.width() > client.right)
            SetScrollSizes(content);
    } catch (const std::exception&) {
        // Out of memory while painting: the pane keeps what was painted so far.
    }
}

void CScrollPictureView::SetScrollSizes(QSize total) {
    m_sizeTotal = total;
    UpdateScrollBars();
}

void CScrollPictureView::UpdateScrollBars() {
    const QSize page = viewport()->size();
    QScrollBar* bars[] = {horizontalScrollBar(), verticalScrollBar()};
    const int totals[] = {m_sizeTotal.width(), m_sizeTotal.height()};
    const int pages[] = {page.width(), page.height()};
    for (int i = 0; i < 2; ++i) {
        bars[i]->setRange(0, std::max(0, totals[i] - pages[i]));
        bars[i]->setPageStep(pages[i]);
        bars[i]->setSingleStep(std::max(1, totals[i] / 100));
    }
}
