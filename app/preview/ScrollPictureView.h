#pragma once
// CScrollPictureView: the right-hand pane of the picture browser. It shows the picture that is
// current in the file list, scaled into a box at the top of the pane that fits the pane's width
// and height, and under it a framed "Picture Properties" panel with the picture's EXIF entries
// as name/value rows or, for a picture without EXIF data, its width and height. Long values
// wrap inside the frame; the pane scrolls only up and down, over what the shown picture needs,
// from its top. A file that cannot be read shows one line saying so and why.
//
// The file list calls SetPicturePath and ShowPicture when a picture row becomes current, and
// SetPicturePath("") and ClearPicture when a folder row does, through the document's pointer
// to this view as an IPicturePane.
//
// The picture is read on the worker thread of a CPreviewLoader (its header has the thread
// rules), so the window never waits for a decode: until the new picture is ready the pane keeps
// the previous one for a moment and then shows "Loading…" (at once when it showed nothing).
// The view itself is used on the user-interface thread only.
#include "app/preview/PreviewLoader.h"
#include "app/widgets/PicturePane.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class CVantrelDoc;
class QLabel;
class QPainter;

// A rectangle in the pane's client coordinates; right and bottom lie just outside it.
struct PaneRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const PaneRect&) const = default;
};

// Where everything of a shown picture goes in a pane of a given size: the picture's box and the
// properties panel with its title and the pieces of its rows, each already wrapped to its line.
struct PaneLayout {
    struct Text {
        int x = 0;
        int y = 0; // the top of its line
        QString text;
    };
    PaneRect box;
    PaneRect panel;
    QFont titleFont;
    QFont rowFont;
    Text title;
    std::vector<Text> lines;
    int contentHeight = 0; // from the pane's top to one empty line under the last row
};

class CScrollPictureView : public QAbstractScrollArea, public IPicturePane {
  public:
    explicit CScrollPictureView(CVantrelDoc* doc, QWidget* parent = nullptr);
    ~CScrollPictureView() override;

    // IPicturePane
    void SetPicturePath(const std::string& path) override;
    bool ShowPicture() override;
    void ClearPicture() override;
    void ReadAhead(const std::string& path) override;
    // A picture asked for is still being read.
    bool IsLoading() const;
    // The line the pane shows instead of a picture ("Loading…", or why a file cannot be
    // read); "" while it shows a picture or nothing.
    QString Message() const;

    // Enters this view in the document.
    void OnInitialUpdate();

    // The box the picture is drawn into, for a width x height picture in the client rectangle:
    // the client less a margin, the picture centred at its own size when it fits, else shrunk
    // to the box's full width (when it is wider in proportion than the box) or full height.
    static PaneRect FitPictureRect(const PaneRect& client, int width, int height);
    // Lays out a read picture in a client rectangle whose rows are drawn in `font`'s family:
    // its box, and the panel under it with the EXIF rows (names in one column, values in the
    // next, both wrapped to the panel's width) or the two size rows with their numbers
    // right-aligned in one column.
    static PaneLayout LayoutPane(const QFont& font, const PaneRect& client,
                                 const PreviewPicture& picture);
    // Draws the properties panel of a layout.
    void DrawProperties(QPainter& painter, const PaneLayout& layout) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    enum class Shows { Nothing, Loading, Picture, Failure };

    void OnPictureRead(PreviewPicture picture);
    // The pane's size without scroll bars: the size pictures are read for.
    QSize PaneSize() const;
    // Lays the shown picture (or the message line) out for the pane and sets the scroll range
    // to what it needs.
    void Relayout();
    // A pane grown past the size the shown picture was read for has it read again, sharp;
    // meanwhile the copy in hand is stretched.
    void ReadAgainWhenGrown();
    void OnDraw(QPainter& painter);

    CVantrelDoc* m_pDoc;
    std::string m_strPicturePath;
    Shows m_shows = Shows::Nothing;
    PreviewPicture m_picture; // the picture or the failure shown
    PaneLayout m_layout;
    QImage m_scaled; // the drawn picture fitted to a box of another size than it was read for
    QLabel* m_lblMessage;
    QTimer m_loadingDelay;
    std::unique_ptr<CPreviewLoader> m_pLoader;
};
