#include "gui/qt/QtBackend.h"

#include "gui/Application.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/FileCtrl.h"
#include "gui/StdCtrls.h"
#include "platform/CodePage.h"
#include "platform/MessageLoop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace gui::qt {
namespace {

// Texts of the model are bytes in the ANSI code page.
QString FromAnsi(const std::string& text) {
    const std::u16string wide = win::AnsiToWide(text);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

QColor ToQColor(TColor color) {
    const std::uint32_t rgb = ColorToRgb(color);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QFont ToQFont(const TFont& font) {
    QFont result(FromAnsi(font.Name()));
    // "MS Sans Serif" is not on the system: a sans-serif face with Chinese glyphs stands in.
    result.setFamilies({FromAnsi(font.Name()), "WenQuanYi Micro Hei", "DejaVu Sans", "Sans Serif"});
    const std::int64_t pixels = font.Height() < 0 ? -font.Height() : font.Height();
    if (pixels > 0) result.setPixelSize(static_cast<int>(pixels));
    result.setBold(font.Bold());
    return result;
}

class FormWidget : public QWidget {
public:
    explicit FormWidget(TCustomForm& form) : form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        // The model decides; the widget stays until the form goes.
        event->ignore();
        Guarded([&] { form_.Close(); });
    }

private:
    TCustomForm& form_;
};

// Keeps one widget in step with its control.
class WidgetPeer : public TControlPeer {
public:
    WidgetPeer(TControl& control, QWidget* widget) : control_(control), widget_(widget) {}
    ~WidgetPeer() override { delete widget_.data(); }

    void PropertyChanged(std::string_view) override { Sync(); }
    QWidget* Widget() const { return widget_.data(); }

    void Sync() {
        QWidget* widget = widget_.data();
        if (widget == nullptr) return;
        if (auto* form = dynamic_cast<TCustomForm*>(&control_)) {
            widget->setWindowTitle(FromAnsi(form->Caption()));
            widget->setFixedSize(static_cast<int>(form->ClientWidth()),
                                 static_cast<int>(form->ClientHeight()));
            widget->setAutoFillBackground(true);
            const std::string icon = form->Icon()->Data();
            QPixmap pixmap;
            if (pixmap.loadFromData(reinterpret_cast<const uchar*>(icon.data()),
                                    static_cast<uint>(icon.size())))
                widget->setWindowIcon(pixmap);
        } else {
            widget->setGeometry(static_cast<int>(control_.Left()), static_cast<int>(control_.Top()),
                                static_cast<int>(control_.Width()), static_cast<int>(control_.Height()));
        }
        const bool systemFont = dynamic_cast<TStatusBar*>(&control_) != nullptr &&
                                static_cast<TStatusBar&>(control_).UseSystemFont();
        if (!systemFont) widget->setFont(ToQFont(*control_.Font()));
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, ToQColor(control_.Font()->Color()));
        palette.setColor(QPalette::ButtonText, ToQColor(control_.Font()->Color()));
        palette.setColor(QPalette::Text, ToQColor(control_.Font()->Color()));
        if (dynamic_cast<TCustomForm*>(&control_) != nullptr)
            palette.setColor(QPalette::Window, ToQColor(control_.Color()));
        if (dynamic_cast<TMemo*>(&control_) != nullptr || dynamic_cast<TCustomListBox*>(&control_) != nullptr)
            palette.setColor(QPalette::Base, ToQColor(control_.Color()));
        widget->setPalette(palette);
        widget->setEnabled(control_.Enabled());
        widget->setToolTip(control_.ShowHint() ? FromAnsi(control_.Hint()) : QString());
        SyncKind(widget);
        widget->setVisible(control_.Visible());
    }

    bool syncing = false;

private:
    void SyncKind(QWidget* widget) {
        if (auto* label = dynamic_cast<QLabel*>(widget)) {
            if (auto* model = dynamic_cast<TLabel*>(&control_)) {
                label->setText(FromAnsi(model->Caption()));
                label->setWordWrap(model->WordWrap());
                if (model->AutoSize()) label->adjustSize();
            } else if (auto* status = dynamic_cast<TStatusBar*>(&control_)) {
                label->setText(FromAnsi(status->ShownText()));
            } else if (auto* image = dynamic_cast<TImage*>(&control_)) {
                QPixmap pixmap;
                const std::string data = image->Picture()->Data();
                pixmap.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                                    static_cast<uint>(data.size()));
                label->setPixmap(pixmap);
            }
        } else if (auto* button = dynamic_cast<QPushButton*>(widget)) {
            auto* model = static_cast<TButton*>(&control_);
            button->setText(FromAnsi(model->Caption())); // '&' marks the accelerator in both
            if (auto* glyphButton = dynamic_cast<TBitBtn*>(&control_);
                glyphButton != nullptr && !glyphButton->Glyph()->Empty()) {
                const std::string data = glyphButton->Glyph()->Data();
                QImage image;
                image.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                                   static_cast<int>(data.size()));
                button->setIcon(QPixmap::fromImage(image));
                button->setIconSize(image.size());
            }
        } else if (auto* edit = dynamic_cast<QPlainTextEdit*>(widget)) {
            auto* model = static_cast<TMemo*>(&control_);
            std::string joined;
            for (const std::string& line : model->Lines()->ToVector())
                joined += (joined.empty() ? "" : "\n") + line;
            const QString text = FromAnsi(joined);
            if (edit->toPlainText() != text) {
                syncing = true;
                edit->setPlainText(text);
                syncing = false;
            }
            edit->setReadOnly(model->ReadOnly());
            edit->setLineWrapMode(model->WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        } else if (auto* list = dynamic_cast<QListWidget*>(widget)) {
            auto* model = static_cast<TCustomListBox*>(&control_);
            list->clear();
            for (const std::string& item : model->Items()->ToVector())
                list->addItem(FromAnsi(item));
        }
    }

    TControl& control_;
    QPointer<QWidget> widget_;
};

QWidget* MakeWidget(TControl& control, QWidget* parent) {
    if (dynamic_cast<TLabel*>(&control) != nullptr || dynamic_cast<TImage*>(&control) != nullptr)
        return new QLabel(parent);
    if (dynamic_cast<TStatusBar*>(&control) != nullptr) {
        auto* bar = new QLabel(parent);
        bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return bar;
    }
    if (auto* button = dynamic_cast<TButton*>(&control)) {
        auto* widget = new QPushButton(parent);
        QObject::connect(widget, &QPushButton::clicked, [button] { Guarded([button] { button->Click(); }); });
        return widget;
    }
    if (auto* memo = dynamic_cast<TMemo*>(&control)) {
        auto* widget = new QPlainTextEdit(parent);
        // What the user types goes into the model's lines.
        QObject::connect(widget, &QPlainTextEdit::textChanged, [memo, widget] {
            auto* peer = static_cast<WidgetPeer*>(memo->Peer());
            if (peer == nullptr || peer->syncing) return;
            const QByteArray utf8 = widget->toPlainText().toUtf8();
            const std::u16string wide = win::AnsiToWide(
                std::string(utf8.constData(), static_cast<std::size_t>(utf8.size())), win::CP_UTF8);
            peer->syncing = true;
            memo->SetText(win::WideToAnsi(wide));
            peer->syncing = false;
        });
        return widget;
    }
    if (dynamic_cast<TCustomListBox*>(&control) != nullptr) return new QListWidget(parent);
    return nullptr;
}

void Attach(TControl& control, QWidget* widget) {
    auto peer = std::make_unique<WidgetPeer>(control, widget);
    WidgetPeer* raw = peer.get();
    control.SetPeer(std::move(peer));
    raw->Sync();
}

void AttachChildren(TWinControl& parent, QWidget* parentWidget) {
    for (TControl* control : parent.ControlList()) {
        QWidget* widget = MakeWidget(*control, parentWidget);
        if (widget == nullptr) continue;
        Attach(*control, widget);
        if (auto* container = dynamic_cast<TWinControl*>(control)) AttachChildren(*container, widget);
    }
}

class MessageBoxes : public TDialogProvider {
public:
    ~MessageBoxes() override {
        for (const QPointer<QMessageBox>& notice : notices_)
            delete notice.data();
    }

    TModalResult Show(const TDialogRequest& request) override {
        auto box = std::make_unique<QMessageBox>();
        box->setWindowTitle(FromAnsi(request.Caption));
        // Texts quote servers: never taken for markup.
        box->setTextFormat(Qt::PlainText);
        box->setText(FromAnsi(request.Text).replace('\r', '\n'));
        switch (request.Icon) {
        case TDialogIcon::Error:
            box->setIcon(QMessageBox::Critical);
            break;
        case TDialogIcon::Question:
            box->setIcon(QMessageBox::Question);
            break;
        case TDialogIcon::Warning:
            box->setIcon(QMessageBox::Warning);
            break;
        case TDialogIcon::Information:
            box->setIcon(QMessageBox::Information);
            break;
        case TDialogIcon::None:
            break;
        }
        std::vector<std::pair<QAbstractButton*, TModalResult>> buttons;
        TModalResult escape = mrCancel;
        for (const auto& button : request.Buttons) {
            buttons.emplace_back(box->addButton(FromAnsi(button.Text), QMessageBox::AcceptRole),
                                 button.Result);
            if (button.Result == mrCancel || button.Result == mrNo || request.Buttons.size() == 1) {
                box->setEscapeButton(buttons.back().first);
                escape = button.Result;
            }
        }
        if (request.Modeless) {
            // Closed by its button, or deleted with the backend when the program ends first.
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowModality(Qt::NonModal);
            box->show();
            box->raise();
            box->activateWindow();
            std::erase_if(notices_, [](const QPointer<QMessageBox>& notice) { return notice.isNull(); });
            notices_.emplace_back(box.release());
            return mrNone;
        }
        box->exec();
        for (const auto& [widget, result] : buttons)
            if (box->clickedButton() == widget) return result;
        return escape;
    }

private:
    std::vector<QPointer<QMessageBox>> notices_;
};

// Runs the platform's queue from Qt's loop: a notifier on the queue's descriptor, and a timer for
// the nearest platform timer.
class QueuePump {
public:
    QueuePump() : notifier_(win::MessageLoopDescriptor(), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { Pump(); });
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Pump(); });
        QTimer::singleShot(0, [this] { Pump(); });
    }

    void Pump() {
        // Armed first as well: a handler may open a modal box, whose nested loop must still wake
        // for the platform's timers.
        Arm();
        int exitCode = 0;
        bool quit = false;
        Guarded([&] { quit = win::DispatchReadyMessages(&exitCode); });
        if (quit) {
            QCoreApplication::exit(exitCode);
            return;
        }
        Arm();
    }

private:
    void Arm() {
        const int timeout = win::MessageLoopTimeoutMs();
        if (timeout < 0)
            timer_.stop();
        else
            timer_.start(timeout);
    }

    QSocketNotifier notifier_;
    QTimer timer_;
};

} // namespace

TBackend::TBackend(int& argc, char** argv)
    : application_(std::make_unique<QApplication>(argc, argv)), dialogs_(std::make_unique<MessageBoxes>()),
      previousDialogs_(SetDialogProvider(dialogs_.get())) {
    QGuiApplication::setQuitOnLastWindowClosed(false);
    Application().Initialize();
    Application().SetRunLoop([] {
        QueuePump pump;
        return QApplication::exec();
    });
}

TBackend::~TBackend() {
    Application().SetRunLoop(nullptr);
    SetDialogProvider(previousDialogs_);
}

void ShowForm(TCustomForm& form) {
    auto* widget = new FormWidget(form);
    if (form.Position() == TPosition::poScreenCenter || form.Position() == TPosition::poDesktopCenter) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        widget->move(screen.left() + (screen.width() - static_cast<int>(form.ClientWidth())) / 2,
                     screen.top() + (screen.height() - static_cast<int>(form.ClientHeight())) / 2);
    } else {
        widget->move(static_cast<int>(form.Left()), static_cast<int>(form.Top()));
    }
    AttachChildren(form, widget);
    // Tabbing follows the model's tab order; the first control in it takes the focus.
    QWidget* previous = nullptr;
    for (TWinControl* control : form.TabList()) {
        auto* peer = static_cast<WidgetPeer*>(control->Peer());
        if (peer == nullptr || peer->Widget() == nullptr) continue;
        if (previous == nullptr)
            peer->Widget()->setFocus();
        else
            QWidget::setTabOrder(previous, peer->Widget());
        previous = peer->Widget();
    }
    Attach(form, widget);
}

} // namespace gui::qt
