#include "app/preview/ScrollPictureView.h"

#include "app/widgets/VantrelDoc.h"
#include "platform/FileFacts.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kBoxMargin = 2;
constexpr int kPanelGap = 20;
constexpr int kRowIndent = 20;
constexpr int kOuterFrame = 5;
constexpr int kInnerFrame = 10;
// How long the previous picture stays while the next one is read, before "Loading…" replaces
// it: long enough that stepping through ordinary pictures does not flicker.
constexpr int kLoadingDelayMs = 250;

// The lines `text` takes in `width` pixels of `font`: broken between words where it can be,
// anywhere in a word longer than the width.
std::vector<QString> Wrap(const QString& text, const QFont& font, int width) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    std::vector<QString> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1));
        lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

// A frame whose right and bottom edges lie just inside the rectangle's right and bottom.
void DrawFrame(QPainter& painter, const PaneRect& r) {
    painter.drawRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1);
}

// Text placed by the top of its line.
void DrawTextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

} // namespace

CScrollPictureView::CScrollPictureView(CVantrelDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_pDoc(doc), m_lblMessage(new QLabel(viewport())),
      m_pLoader(std::make_unique<CPreviewLoader>(
          [this](PreviewPicture picture) { OnPictureRead(std::move(picture)); })) {
    // Long values wrap: the pane only ever scrolls up and down.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lblMessage->setObjectName(QStringLiteral("PreviewMessage"));
    m_lblMessage->setWordWrap(true);
    m_lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblMessage->hide();
    m_loadingDelay.setSingleShot(true);
    m_loadingDelay.setInterval(kLoadingDelayMs);
    connect(&m_loadingDelay, &QTimer::timeout, this, [this] {
        if (!IsLoading())
            return;
        m_shows = Shows::Loading;
        Relayout();
        viewport()->update();
    });
}

CScrollPictureView::~CScrollPictureView() = default;

void CScrollPictureView::SetPicturePath(const std::string& path) {
    m_strPicturePath = path;
}

bool CScrollPictureView::ShowPicture() {
    if (!plat::FileExists(m_strPicturePath))
        return false;
    m_pLoader->Request(m_strPicturePath, PaneSize());
    if (!IsLoading()) // it was read ahead, and is shown already
        return true;
    if (m_shows == Shows::Nothing) {
        m_shows = Shows::Loading;
        Relayout();
        viewport()->update();
    } else if (m_shows != Shows::Loading) {
        m_loadingDelay.start();
    }
    return true;
}

void CScrollPictureView::ClearPicture() {
    m_pLoader->Cancel();
    m_loadingDelay.stop();
    if (m_shows == Shows::Nothing)
        return;
    m_shows = Shows::Nothing;
    m_picture = PreviewPicture();
    m_scaled = QImage();
    Relayout();
    viewport()->update();
}

void CScrollPictureView::ReadAhead(const std::string& path) {
    m_pLoader->ReadAhead(plat::FileExists(path) ? path : std::string(), PaneSize());
}

bool CScrollPictureView::IsLoading() const {
    return m_pLoader->Busy();
}

QString CScrollPictureView::Message() const {
    return m_lblMessage->isVisible() ? m_lblMessage->text() : QString();
}

void CScrollPictureView::OnPictureRead(PreviewPicture picture) {
    m_loadingDelay.stop();
    // The same picture read again for a larger pane keeps its place; another starts at the top.
    const bool again = m_shows == Shows::Picture && picture.path == m_picture.path;
    m_shows = picture.readable ? Shows::Picture : Shows::Failure;
    m_picture = std::move(picture);
    m_scaled = QImage();
    Relayout();
    if (!again)
        verticalScrollBar()->setValue(0);
    viewport()->update();
    ReadAgainWhenGrown(); // the pane may have grown while the picture was read
}

void CScrollPictureView::OnInitialUpdate() {
    Relayout();
    m_pDoc->m_pPictureView = this;
}

PaneRect CScrollPictureView::FitPictureRect(const PaneRect& client, int width, int height) {
    PaneRect box{client.left + kBoxMargin, client.top + kBoxMargin, client.right - kBoxMargin,
                 client.bottom - kBoxMargin};
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
    } else if (static_cast<std::int64_t>(width) * h >= static_cast<std::int64_t>(w) * height) {
        // Wider in proportion than the box: its full width.
        box.bottom = static_cast<int>(static_cast<std::int64_t>(w) * height / width);
    } else {
        const int a = static_cast<int>(static_cast<std::int64_t>(h) * width / (2 * height));
        box.left = c - a;
        box.right = c + a;
    }
    return box;
}

PaneLayout CScrollPictureView::LayoutPane(const QFont& font, const PaneRect& client,
                                          const PreviewPicture& picture) {
    PaneLayout layout;
    layout.box = FitPictureRect(client, picture.width, picture.height);
    layout.titleFont = layout.rowFont = font;
    layout.titleFont.setFamily(QStringLiteral("Verdana"));
    layout.titleFont.setWeight(QFont::Bold);
    layout.rowFont.setFamily(QStringLiteral("Verdana"));
    layout.rowFont.setWeight(QFont::Normal);
    // Everything of the rows is measured in the font they are drawn in.
    const QFontMetrics metrics(layout.rowFont);
    const int lh = metrics.height();
    const int x0 = std::min(layout.box.left, kBoxMargin);
    const int y0 = layout.box.bottom + kPanelGap;

    // Without EXIF rows, the picture's size: the numbers right-aligned in one column.
    const bool sizes = picture.rows.empty();
    std::vector<PropertyRow> rows = picture.rows;
    if (sizes)
        rows = {{0, QStringLiteral("Image Width"), QString::number(picture.width)},
                {0, QStringLiteral("Image Height"), QString::number(picture.height)}};
    int nameWidth = 0;
    int valueWidth = 0;
    for (const PropertyRow& row : rows) {
        nameWidth = std::max(nameWidth, metrics.horizontalAdvance(row.name));
        valueWidth = std::max(valueWidth, metrics.horizontalAdvance(row.value));
    }
    // The rows keep a margin inside the frames on both sides; a name column wider than half
    // of that wraps too.
    const int xName = x0 + kRowIndent;
    const int right = client.right - kRowIndent;
    const int nameColumn = std::min(nameWidth, std::max(1, (right - xName - kRowIndent) / 2));
    const int xValue = xName + nameColumn + kRowIndent;
    const int valueColumn = std::max(1, right - xValue);

    int y = y0 + 2 * lh; // under the title and an empty line
    int lastIfd = 0;
    for (const PropertyRow& row : rows) {
        if (row.nIfd != lastIfd)
            y += lh; // an empty line between IFD groups
        lastIfd = row.nIfd;
        const std::vector<QString> names = Wrap(row.name, layout.rowFont, nameColumn);
        const std::vector<QString> values = Wrap(row.value, layout.rowFont, valueColumn);
        for (std::size_t i = 0; i < names.size(); ++i)
            layout.lines.push_back({xName, y + static_cast<int>(i) * lh, names[i]});
        for (std::size_t i = 0; i < values.size(); ++i) {
            int x = xValue;
            if (sizes && valueWidth <= valueColumn)
                x += valueWidth - metrics.horizontalAdvance(values[i]);
            layout.lines.push_back({x, y + static_cast<int>(i) * lh, values[i]});
        }
        y += static_cast<int>(std::max(names.size(), values.size())) * lh;
    }
    layout.contentHeight = y + lh; // one empty line under the last row keeps it off the frames
    layout.panel = {x0, y0, client.right, std::max(layout.contentHeight, client.bottom)};

    const QString title = QStringLiteral("Picture Properties");
    layout.title = {(client.right - client.left) / 2 -
                        QFontMetrics(layout.titleFont).horizontalAdvance(title) / 2,
                    y0, title};
    return layout;
}

void CScrollPictureView::DrawProperties(QPainter& painter, const PaneLayout& layout) const {
    painter.save();
    const PaneRect& panel = layout.panel;
    // The panel is a document on the theme's ground for documents (white and black on a light
    // theme), so it reads on a dark theme too.
    const QColor ground = palette().color(QPalette::Base), ink = palette().color(QPalette::Text);
    painter.fillRect(panel.left, panel.top, panel.right - panel.left, panel.bottom - panel.top,
                     ground);
    painter.setPen(QPen(ink, 1));
    painter.setBrush(ground);
    for (const int inset : {kOuterFrame, kInnerFrame})
        DrawFrame(painter, {panel.left + inset, panel.top + inset, panel.right - inset,
                            panel.bottom - inset});

    // The title is drawn on an opaque ground, so it interrupts the frame lines under it.
    painter.setFont(layout.titleFont);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(ground);
    DrawTextAt(painter, layout.title.x, layout.title.y, layout.title.text);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(layout.rowFont);
    for (const PaneLayout::Text& line : layout.lines)
        DrawTextAt(painter, line.x, line.y, line.text);
    painter.restore();
}

QSize CScrollPictureView::PaneSize() const {
    return maximumViewportSize();
}

void CScrollPictureView::Relayout() {
    QScrollBar* bar = verticalScrollBar();
    const QSize pane = PaneSize();
    int needed = 0;
    m_layout = PaneLayout();
    if (m_shows == Shows::Picture) {
        // Laid out for the whole width first; content taller than the pane then gives up the
        // scroll bar's width. Deciding from the whole width alone keeps the bar from coming and
        // going as the width changes what the content needs.
        m_layout = LayoutPane(font(), {0, 0, pane.width(), pane.height()}, m_picture);
        if (m_layout.contentHeight > pane.height())
            m_layout = LayoutPane(
                font(), {0, 0, pane.width() - bar->sizeHint().width(), pane.height()}, m_picture);
        needed = m_layout.contentHeight;
    }
    bar->setRange(0, std::max(0, needed - pane.height()));
    bar->setPageStep(pane.height());
    bar->setSingleStep(std::max(1, QFontMetrics(m_layout.rowFont).height()));

    // The line in place of a picture.
    QString message;
    if (m_shows == Shows::Loading)
        message = QStringLiteral("Loading…");
    else if (m_shows == Shows::Failure)
        message = QStringLiteral("This picture cannot be read: ") +
                  QString::fromStdString(m_picture.readable.error().message);
    m_lblMessage->setText(message);
    m_lblMessage->setGeometry(kBoxMargin, kBoxMargin, std::max(1, pane.width() - 2 * kBoxMargin),
                              std::max(1, pane.height() - 2 * kBoxMargin));
    m_lblMessage->setVisible(!message.isEmpty());
}

void CScrollPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Button));
    if (m_shows != Shows::Picture)
        return; // at most the message line, which draws itself
    painter.translate(0, -verticalScrollBar()->value());
    OnDraw(painter);
}

void CScrollPictureView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
    ReadAgainWhenGrown();
}

void CScrollPictureView::ReadAgainWhenGrown() {
    const QSize box(m_layout.box.right - m_layout.box.left, m_layout.box.bottom - m_layout.box.top);
    if (m_shows == Shows::Picture && !m_pLoader->Busy() &&
        (box.width() > m_picture.drawn.width() || box.height() > m_picture.drawn.height()))
        m_pLoader->Request(m_picture.path, PaneSize());
}

void CScrollPictureView::OnDraw(QPainter& painter) {
    const PaneRect& box = m_layout.box;
    const QSize size(box.right - box.left, box.bottom - box.top);
    if (!size.isEmpty() && !m_picture.drawn.isNull()) {
        if (m_picture.drawn.size() == size) {
            painter.drawImage(box.left, box.top, m_picture.drawn);
        } else {
            if (m_scaled.size() != size)
                m_scaled =
                    m_picture.drawn.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            painter.drawImage(box.left, box.top, m_scaled);
        }
    }
    DrawProperties(painter, m_layout);
}
