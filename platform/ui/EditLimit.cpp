#include "platform/ui/EditLimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>

#include <algorithm>

namespace plat {
namespace {

qsizetype Utf8Size(QStringView text) {
    return text.toUtf8().size();
}

// Where the cut starts so that removing [start, end) from `text` takes away at least `excess`
// UTF-8 bytes, never splitting a surrogate pair; at most back to `floor`.
qsizetype CutStart(const QString& text, qsizetype floor, qsizetype end, qsizetype excess) {
    qsizetype start = end;
    while (excess > 0 && start > floor) {
        qsizetype step = 1;
        if (start - 2 >= floor && text[start - 1].isLowSurrogate() &&
            text[start - 2].isHighSurrogate())
            step = 2;
        start -= step;
        excess -= Utf8Size(QStringView(text).mid(start, step));
    }
    return start;
}

// A one-line edit validates every change before it takes it: the characters just added end
// at the cursor, so the excess is cut from there backwards.
class CByteLimitValidator : public QValidator {
  public:
    CByteLimitValidator(std::size_t maxBytes, QObject* parent)
        : QValidator(parent), m_maxBytes(static_cast<qsizetype>(maxBytes)) {}

    State validate(QString& input, int& pos) const override {
        const qsizetype excess = Utf8Size(input) - m_maxBytes;
        if (excess <= 0)
            return Acceptable;
        const qsizetype start = CutStart(input, 0, pos, excess);
        input.remove(start, pos - start);
        pos = static_cast<int>(start);
        // What is left over when the cursor stood before the excess comes off the end.
        if (const qsizetype left = Utf8Size(input) - m_maxBytes; left > 0)
            input.truncate(CutStart(input, 0, input.size(), left));
        return Acceptable;
    }

  private:
    qsizetype m_maxBytes;
};

// A multi-line edit: its document reports each change with the place and length of what was
// added before the edit reports the change, and the excess is taken out of that part.
void LimitLines(QPlainTextEdit* edit, std::size_t maxBytes) {
    QTextDocument* document = edit->document();
    QObject::connect(
        document, &QTextDocument::contentsChange, edit,
        [document, limit = static_cast<qsizetype>(maxBytes)](int position, int, int added) {
            const QString text = document->toPlainText();
            const qsizetype excess = Utf8Size(text) - limit;
            if (excess <= 0 || added <= 0)
                return;
            const qsizetype end = std::min<qsizetype>(position + added, text.size());
            const qsizetype start = CutStart(text, position, end, excess);
            QTextCursor cursor(document);
            cursor.setPosition(static_cast<int>(start));
            cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        });
}

} // namespace

void LimitText(QWidget* edit, std::size_t maxBytes) {
    if (auto* line = qobject_cast<QLineEdit*>(edit)) {
        line->setValidator(new CByteLimitValidator(maxBytes, line));
    } else if (auto* lines = qobject_cast<QPlainTextEdit*>(edit)) {
        LimitLines(lines, maxBytes);
    }
}

} // namespace plat
