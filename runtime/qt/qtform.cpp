// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtform.h"

#include "runtime/contrast.h"
#include "runtime/error.h"
#include "startguard.h"
#include "twips.h"
#include "x11frame.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace runtime {

namespace {

// Assistive technology sees a form as a window of its own (a frame), not as a
// pane inside one.
QAccessibleInterface* accessibleForm(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    if (className == QLatin1String(QtForm::staticMetaObject.className())) {
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    if (className == QLatin1String(Notice::staticMetaObject.className())) {
        return new QAccessibleWidget(widget, QAccessible::Notification);
    }
    if (className == QLatin1String(StatusText::staticMetaObject.className())) {
        return new QAccessibleWidget(widget, QAccessible::StatusBar);
    }
    return nullptr;
}

Colour toColour(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8U |
           static_cast<Colour>(colour.blue()) << 16U;
}

// One press a key press, as a native button's Space: Return and keypad Enter press the focused
// button, as in GTK and Windows programs (Qt's own buttons take them only in dialogs), and a held
// key presses nothing more. A press of a key that is down already is the keyboard's repeat, where
// the toolkit does not say so itself.
class PushButtonWidget : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter && event->key() != Qt::Key_Space) {
            QPushButton::keyPressEvent(event);
            return;
        }
        const bool repeated = event->isAutoRepeat() || held_.contains(event->key());
        held_.insert(event->key());
        if (enter && !repeated) {
            click();
        } else if (!enter && !repeated) {
            QPushButton::keyPressEvent(event);
        }
    }

    void keyReleaseEvent(QKeyEvent* event) override {
        if (!event->isAutoRepeat()) {
            held_.remove(event->key());
        }
        QPushButton::keyReleaseEvent(event);
    }

    // Its release goes to the button that has the focus then.
    void focusOutEvent(QFocusEvent* event) override {
        held_.clear();
        QPushButton::focusOutEvent(event);
    }

  private:
    QSet<int> held_;
};

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The 32-pixel image, and on denser screens the same pixels doubled, so that the icon stays sharp
// instead of blurring as it scales. (Every size given is sent to the window manager, which reads
// it before it maps the window.)
QIcon pixelIcon(const char* const* xpm, qreal devicePixelRatio) {
    const QPixmap image(xpm);
    QIcon icon(image);
    if (devicePixelRatio > 1) {
        icon.addPixmap(
            image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    return icon;
}

} // namespace

QtButton::QtButton(const QString& caption, QWidget* form)
    : button_(new PushButtonWidget(caption, form)) {}

Twips QtButton::width() const {
    return toTwips(button_->width(), *button_);
}

Twips QtButton::height() const {
    return toTwips(button_->height(), *button_);
}

void QtButton::move(Twips left, Twips top) {
    button_->move(toPixels(left, *button_), toPixels(top, *button_));
}

void QtButton::setGeometry(Twips left, Twips top, Twips width, Twips height) {
    width_ = width;
    height_ = height;
    button_->setGeometry(toPixels(left, *button_), toPixels(top, *button_),
                         toPixels(width, *button_), toPixels(height, *button_));
}

void QtButton::keepSize() {
    button_->resize(toPixels(width_, *button_), toPixels(height_, *button_));
}

void QtButton::focus() {
    button_->setFocus();
}

std::unique_ptr<FormWindow> makeFormWindow(Form& form) {
    return std::make_unique<QtForm>(form);
}

QtForm& widget(Form& form) {
    return dynamic_cast<QtForm&>(form.window());
}

QPushButton& widget(PushButton& button) {
    return dynamic_cast<QtButton&>(button).widget();
}

Notice::Notice(QWidget* form) : QWidget(form) {
    setGeometry(0, 0, 0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void Notice::announce(const QString& text) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // A new result cuts the last one short: in a run of presses only the last totals matter.
    QAccessibleAnnouncementEvent event(parentWidget(), text);
    event.setPoliteness(QAccessible::AnnouncementPoliteness::Assertive);
    QAccessible::updateAccessibility(&event);
#else
    hide();
    setAccessibleName(text);
    show();
#endif
}

StatusText::StatusText(QWidget* form) : QWidget(form) {
    setGeometry(0, 0, 1, 1);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QtForm::QtForm(Form& form) : form_(form), notice_(new Notice(this)), status_(new StatusText(this)) {
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleForm);
        return true;
    }();
    Q_UNUSED(accessible);
    // paintEvent fills every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QtForm::~QtForm() = default;

void QtForm::setBackColour(Colour colour) {
    back_ = toQColor(colour);
    eraseText();
}

QColor QtForm::backColour() const {
    return back_.value_or(palette().color(QPalette::Button));
}

void QtForm::announce(std::string_view text) {
    notice_->announce(fromUtf8(text));
}

void QtForm::setStatus(std::string_view text) {
    status_->setAccessibleName(fromUtf8(text));
}

void QtForm::clear() {
    printPosition_ = {};
    eraseText();
}

void QtForm::print(std::string_view text) {
    QString line = fromUtf8(text);
    const QRect area(printPosition_,
                     QSize(fontMetrics().horizontalAdvance(line), fontMetrics().height()));
    text_.push_back({std::move(line), area, {}});
    printPosition_.rx() += area.width();
    update();
}

void QtForm::endLine() {
    printPosition_ = {0, printPosition_.y() + fontMetrics().height()};
}

QStringList QtForm::printedText() const {
    QStringList lines;
    for (const TextRun& run : text_) {
        lines << run.text;
    }
    return lines;
}

QSize QtForm::outerSize() const {
    return frame_ ? size().grownBy(frame_->margins()) : frameGeometry().size();
}

Twips QtForm::outerWidth() const {
    return toTwips(outerSize().width(), *this);
}

Twips QtForm::outerHeight() const {
    return toTwips(outerSize().height(), *this);
}

Twips QtForm::clientWidth() const {
    return toTwips(width(), *this);
}

Twips QtForm::clientHeight() const {
    return toTwips(height(), *this);
}

void QtForm::setClientSize(Twips width, Twips height) {
    clientWidth_ = width;
    clientHeight_ = height;
    resize(toPixels(width, *this), toPixels(height, *this));
}

void QtForm::setCaption(std::string_view caption) {
    setWindowTitle(fromUtf8(caption));
    setAccessibleName(windowTitle());
}

void QtForm::setIcon(const char* const* xpm) {
    setWindowIcon(pixelIcon(xpm, devicePixelRatioF()));
}

PushButton& QtForm::addButton(std::string_view caption, Twips left, Twips top, Twips width,
                              Twips height, std::function<void()> pressed) {
    auto& button = *buttons_.emplace_back(std::make_unique<QtButton>(fromUtf8(caption), this));
    button.setGeometry(left, top, width, height);
    connect(&button.widget(), &QPushButton::clicked, this,
            [pressed = std::move(pressed)] { guarded(pressed); });
    return button;
}

void QtForm::show() {
    QWidget::show();
}

void QtForm::messageBox(std::string_view prompt, std::string_view title) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, fromUtf8(title), fromUtf8(prompt),
                                             QMessageBox::NoButton);
    // A button of our own: the standard one has the style load the icon theme and its image
    // plugins for an icon that this box would then remove.
    box->addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
    // Text to select takes the focus too, and screen readers read out only the text of a box that
    // cannot (Orca 51 skips the sentence).
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    // A window of its own, not a dialog of the hidden form's: it gets a taskbar button, so that a
    // player who clicks elsewhere at the start finds it again.
    box->setWindowFlags((box->windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
    // While the box is read, the form gets ready, so that only mapping is left.
    QTimer::singleShot(0, this, &QtForm::prepare);
    box->winId();
    box->windowHandle()->installEventFilter(this);
    box->exec();
    box->windowHandle()->removeEventFilter(this);
    startguard::resume();
    box_ = std::move(box);
}

void QtForm::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QColor back = backColour();
    painter.fillRect(event->rect(), back);
    painter.setPen(
        toQColor(readableOn(toColour(back), toColour(palette().color(QPalette::WindowText)))));
    const int ascent = fontMetrics().ascent();
    for (const TextRun& run : text_) {
        // Most repaints (a button pressed and released) never reach the text.
        if (!event->region().intersects(run.area)) {
            continue;
        }
        painter.setClipRegion(QRegion(rect()).subtracted(run.erased));
        painter.drawText(run.area.topLeft() + QPoint(0, ascent), run.text);
    }
}

void QtForm::resizeEvent(QResizeEvent* /*event*/) {
    // The size in twips follows the player's resizes, not the pixel that the window system rounds
    // away when the density changes.
    if (std::abs(width() - toPixels(clientWidth_, *this)) > 1) {
        clientWidth_ = toTwips(width(), *this);
    }
    if (std::abs(height() - toPixels(clientHeight_, *this)) > 1) {
        clientHeight_ = toTwips(height(), *this);
    }
    text_.clear();
    raiseResize();
}

void QtForm::moveEvent(QMoveEvent* /*event*/) {
    layOutIfOuterSizeChanged();
}

void QtForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        layOutIfOuterSizeChanged();
    } else if (event->type() == QEvent::PaletteChange) {
        update();
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (event->type() == QEvent::DevicePixelRatioChange) {
        followDensity();
    }
#endif
    QWidget::changeEvent(event);
}

void QtForm::prepare() {
    winId();
    windowHandle()->installEventFilter(this);
    ensurePolished();
    // The toolkit's own idea of an X11 frame trusts whatever the window carries, and reads it
    // again only when the window itself changes.
    if (!frame_ && QGuiApplication::platformName() == u"xcb") {
        frame_ = std::make_unique<X11Frame>(*this, [this] { layOutIfOuterSizeChanged(); });
    }
    if (ratio_ == 0) {
        ratio_ = devicePixelRatioF();
        dpi_ = logicalDpiX();
        // Qt 6.4 reports a new density as a new logical DPI, later versions as a new scale; either
        // comes before the window has taken it, so the window follows once the event is through.
        const auto watch = [this](QScreen* screen) {
            connect(screen, &QScreen::logicalDotsPerInchChanged, this, &QtForm::followDensity,
                    Qt::QueuedConnection);
            connect(screen, &QScreen::geometryChanged, this, &QtForm::followDensity,
                    Qt::QueuedConnection);
        };
        for (QScreen* screen : QGuiApplication::screens()) {
            watch(screen);
        }
        connect(qApp, &QGuiApplication::screenAdded, this, watch);
        connect(windowHandle(), &QWindow::screenChanged, this, &QtForm::followDensity,
                Qt::QueuedConnection);
    }
}

void QtForm::followDensity() {
    if (devicePixelRatioF() == ratio_ && logicalDpiX() == dpi_) {
        return;
    }
    ratio_ = devicePixelRatioF();
    dpi_ = logicalDpiX();
    for (const auto& button : buttons_) {
        button->keepSize();
    }
    // The toolkit keeps the window's size in its own pixels and leaves the window system's window
    // at its old size: only a size that differs has it placed anew.
    const QSize wanted(toPixels(clientWidth_, *this), toPixels(clientHeight_, *this));
    resize(wanted + QSize(1, 0));
    resize(wanted);
}

void QtForm::showEvent(QShowEvent* event) {
    prepare();
    QWidget::showEvent(event);
}

bool QtForm::eventFilter(QObject* watched, QEvent* event) {
    const auto* expose = dynamic_cast<const QExposeEvent*>(event);
    if (expose != nullptr && watched != windowHandle()) {
        // The credit box on the screen: the start has come through.
        if (const auto* box = qobject_cast<QWindow*>(watched); box != nullptr && box->isExposed()) {
            startguard::pause();
        }
    } else if (expose != nullptr) {
        if (windowHandle()->isExposed()) {
            startguard::disarm();
        }
        // Uncovered or restored: the text is lost where the window system asks for the pixels
        // anew. The region is the toolkit's only word on where that is.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        eraseTextIn(expose->region());
        QT_WARNING_POP
        // Toolkits that draw the frame themselves add it with the first frame drawn.
        layOutIfOuterSizeChanged();
    }
    return QWidget::eventFilter(watched, event);
}

bool QtForm::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (eventType == "xcb_generic_event_t") {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const auto type = event->response_type & ~0x80U;
        if (type == XCB_DESTROY_NOTIFY &&
            static_cast<const xcb_destroy_notify_event_t*>(message)->window == winId()) {
            // Destroyed from outside: the game ends as if it were closed.
            QCoreApplication::exit(0);
        }
    }
    return QWidget::nativeEvent(eventType, message, result);
}

// A window manager may report or change the frame after a resize, with a move, a change of
// state or a new property: the outer size changes although the client area does not. The first
// show's move comes before its resize, which raises the event itself.
void QtForm::layOutIfOuterSizeChanged() {
    if (laidOutFor_.isValid() && outerSize() != laidOutFor_) {
        raiseResize();
    }
}

void QtForm::raiseResize() {
    laidOutFor_ = outerSize();
    form_.resized();
}

void QtForm::eraseText() {
    text_.clear();
    update();
}

void QtForm::eraseTextIn(const QRegion& region) {
    std::erase_if(text_, [&region](TextRun& run) {
        run.erased += region & run.area;
        return QRegion(run.area).subtracted(run.erased).isEmpty();
    });
    update(region);
}

} // namespace runtime
