#include "form.h"

#include "error.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QWindow>

namespace runtime {

namespace {

// Assistive technology sees a form as a window of its own (a frame), not as a
// pane inside one.
QAccessibleInterface* accessibleForm(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String(Form::staticMetaObject.className()) || widget == nullptr) {
        return nullptr;
    }
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

Form::Form() : back_(palette().color(QPalette::Button)) {
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleForm);
        return true;
    }();
    Q_UNUSED(accessible);
    // paintEvent fills every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Form::~Form() = default;

void Form::setBackColour(Colour colour) {
    back_ = toQColor(colour);
    eraseText();
}

void Form::clear() {
    printPosition_ = {};
    eraseText();
}

void Form::print(std::string_view text) {
    TextRun run{printPosition_,
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))};
    printPosition_.rx() += fontMetrics().horizontalAdvance(run.text);
    text_.push_back(std::move(run));
    update();
}

void Form::endLine() {
    printPosition_ = {0, printPosition_.y() + fontMetrics().height()};
}

QStringList Form::printedText() const {
    QStringList lines;
    for (const TextRun& run : text_) {
        lines << run.text;
    }
    return lines;
}

Twips Form::outerWidth() const {
    return toTwips(frameGeometry().width(), *this);
}

Twips Form::outerHeight() const {
    return toTwips(frameGeometry().height(), *this);
}

void Form::setClientSize(Twips width, Twips height) {
    resize(toPixels(width, *this), toPixels(height, *this));
}

void Form::loadAndShow() {
    guarded([this] { onLoad(); });
    show();
}

void Form::messageBox(const QString& prompt, const QString& title) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok);
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    ok->setText(QStringLiteral("ОК"));
    // Some styles put an icon on dialog buttons; this box has none anywhere.
    ok->setIcon(QIcon());
    // The only button is also the one Escape and the close button press.
    box->setEscapeButton(ok);
    box->exec();
    box_ = std::move(box);
}

void Form::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), back_);
    if (text_.empty()) {
        return;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = fontMetrics().ascent();
    for (const TextRun& run : text_) {
        painter.drawText(run.origin + QPoint(0, ascent), run.text);
    }
}

void Form::resizeEvent(QResizeEvent* /*event*/) {
    text_.clear();
    raiseResize();
}

void Form::moveEvent(QMoveEvent* /*event*/) {
    // A window manager reports the frame after the first resize, with a move:
    // the outer size has changed although the client area has not.
    if (frameGeometry().size() != laidOutFor_) {
        raiseResize();
    }
}

void Form::showEvent(QShowEvent* event) {
    if (windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
    QWidget::showEvent(event);
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    // Uncovered or restored: the window system asks for the pixels anew.
    if (event->type() == QEvent::Expose && watched == windowHandle() && !text_.empty()) {
        eraseText();
    }
    return QWidget::eventFilter(watched, event);
}

void Form::raiseResize() {
    laidOutFor_ = frameGeometry().size();
    guarded([this] { onResize(); });
}

void Form::eraseText() {
    text_.clear();
    update();
}

} // namespace runtime
