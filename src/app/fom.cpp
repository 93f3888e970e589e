#include "fom.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>

#include "fault.h"
#include "fault_report.h"
#include "spoken.h"
#include "tank.h"

using namespace Qt::StringLiterals;

namespace {
constexpr char16_t kHomePage[] = u"https://myoruka.example.jp/";
}

// The blinking square: a square as large as fits, centred, in the lamp's colour.
class Indicator : public QWidget {
public:
    explicit Indicator(QWidget* parent) : QWidget(parent) {}
    void setLamp(Lamp lamp) {
        m_lamp = lamp;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const int side = std::min(width(), height());
        QPainter(this).fillRect((width() - side) / 2, (height() - side) / 2, side, side,
                                m_lamp == Lamp::Yellow ? QColor(255, 255, 0) : QColor(255, 0, 0));
    }

private:
    Lamp m_lamp = Lamp::Yellow;
};

Fom::Fom(Rnd& rnd, const QString& appDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_engine(*this, rnd, appDir),
      m_pic(new Tank(this)),
      m_lbl(new QLabel(this)),
      m_indicator(new Indicator(this)),
      m_notice(new QWidget(this)),
      m_menu(new QWidget(this)),
      m_blink(new QTimer(this)),
      m_timer(new QTimer(this)) {
    giveSpokenRoles(m_lbl, m_menu,
                    m_notice);  // before anything asks for their accessible interfaces
    setObjectName(u"Fom"_s);
    setWindowTitle(u"ミョルカ"_s);
    setFocusPolicy(Qt::StrongFocus);

    m_lbl->setObjectName(u"Lbl"_s);
    m_lbl->setText(u"Lbl"_s);
    m_lbl->setTextFormat(Qt::PlainText);
    m_lbl->setWordWrap(true);
    m_lbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lbl->setAutoFillBackground(true);
    m_lbl->setStyleSheet(
        u"QLabel { background-color: rgb(0, 0, 192); color: rgb(255, 255, 255); }"_s);
    m_lbl->setFont(QFont(u"ＭＳ Ｐ明朝"_s));
    m_lbl->setToolTip(u"会話を進めます。■が出ているときに進めることが出来ます。"_s);
    m_lbl->setAccessibleDescription(u"宇宙人の言葉。スペースかエンターかクリックで話が進みます"_s);
    m_lbl->installEventFilter(this);
    m_menu->setObjectName(u"Menu"_s);
    m_menu->setAccessibleName(u"メニュー"_s);
    m_menu->hide();
    m_notice->setGeometry(0, 0, 0, 0);
    m_notice->hide();
    QCoreApplication::instance()->installEventFilter(this);  // to know when keys are in use

    m_indicator->setObjectName(u"cliKazari"_s);
    m_indicator->setAccessibleName(u"イベント表示"_s);
    m_indicator->setAccessibleDescription(u"点滅しているときはクリックで話を進められます"_s);
    m_indicator->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i < 5; ++i) {
        auto* com = new QPushButton(TalkEngine::MenuCaptions[i], m_menu);
        com->setObjectName(u"Com"_s + QString::number(i));
        com->setStyleSheet(
            u"QPushButton { background-color: rgb(128, 128, 255); color: black;"
            " border: 2px outset rgb(176, 176, 255); }"
            " QPushButton:pressed { border-style: inset; }"
            " QPushButton:focus { border-color: rgb(255, 255, 255); }"
            " QPushButton:disabled { color: rgb(80, 80, 128); }"_s);
        com->setToolTip(u"占いたい項目をクリックしてね"_s);
        com->setAccessibleDescription(u"占いたい項目をクリックしてね"_s);
        com->setEnabled(false);
        com->hide();
        connect(com, &QPushButton::clicked, this,
                [this, i] { guard([&] { m_engine.Com_Click(i); }); });
        m_com[i] = com;
    }
    m_indicator->raise();

    m_blink->setObjectName(u"TimCK"_s);
    m_blink->setInterval(100);
    connect(m_blink, &QTimer::timeout, this, [this] { guard([&] { m_engine.TimCK_Timer(); }); });
    m_timer->setObjectName(u"Timer"_s);
    m_timer->setInterval(100);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] { guard([&] { m_engine.Timer_Timer(); }); });
    connect(m_pic, &Tank::alienClicked, this, [this] { guard([&] { ImgBak_Click(); }); });
}

template <typename Handler>
void Fom::guard(Handler&& handler) {
    if (m_engine.ended()) return;
    try {
        handler();
    } catch (const Fault& fault) {
        m_faulted = true;
        m_engine.abandon();
        m_blink->stop();
        m_timer->stop();
        reportFault(fault, this);
        m_exit(kFaultExitCode);
    }
}

void Fom::Form_Load() {
    m_engine.Form_Load();
    applyLayout(QSize(0, 0));
    // Placed once here and then only by the talk: the tank keeps it in proportion when the
    // layout changes, so a late frame size cannot grow the reborn alien back.
    placeAlien(m_engine.record().Years);
    m_blink->start();
}

void Fom::unload() {
    // After a fault nothing is saved; but a signal or logout must not wait for its box.
    if (m_faulted) return m_exit(kFaultExitCode);
    guard([&] { m_engine.Form_Unload(); });
}

void Fom::storeAtExit() {
    if (m_engine.ended()) return;
    try {
        m_engine.Form_Unload();
    } catch (const Fault& fault) {
        printFault(fault);
        std::_Exit(kFaultExitCode);
    }
}

void Fom::applyLayout(QSize frame) {
    if (frame == m_frame) return;
    m_frame = frame;
    const QScreen* where = screen();
    const QRect available = where->geometry();
    const Layout layout = computeLayout(available.height(), frame);
    setFixedSize(layout.client);
    move(available.center() - QPoint(layout.outer.width() / 2, layout.outer.height() / 2));

    m_pic->setGeometry(layout.pic);
    m_lbl->setGeometry(layout.lbl);
    QFont speech = m_lbl->font();
    speech.setPixelSize(Layout::pointsToPixels(layout.speechPointSize));
    m_lbl->setFont(speech);
    m_indicator->setGeometry(layout.indicator);
    QFont buttons(u"ＭＳ Ｐ明朝"_s);
    buttons.setPixelSize(Layout::pointsToPixels(layout.buttonPointSize));
    QRect row;
    for (const QRect& button : layout.buttons) row |= button;
    m_menu->setGeometry(row);
    for (int i = 0; i < 5; ++i) {
        m_com[i]->setGeometry(layout.buttons[i].translated(-row.topLeft()));
        m_com[i]->setFont(buttons);
    }
}

bool Fom::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Show && !m_shown) {
        m_shown = true;
        QTimer::singleShot(0, this, [this] { guard([&] { m_engine.Form_Activate(); }); });
    }
    // Once the window manager has framed the window, keep the outer size and centre.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Show) && isVisible()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        if (frame.isValid() && frame != m_frame) applyLayout(frame);
    }
    return handled;
}

void Fom::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
}

void Fom::keyPressEvent(QKeyEvent* event) {
    const bool advance = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                         event->key() == Qt::Key_Enter;
    if (advance && !qobject_cast<QPushButton*>(focusWidget())) {
        // One press, one step: a held key would otherwise run a whole reading to its end.
        if (event->isAutoRepeat()) return;
        guard([&] { m_engine.Lbl_Click(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Fom::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) m_keyboardUsed = true;
    // A click is a left press and release both on the speech: one dragged off is taken back.
    // A quick second press arrives as a double click.
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (watched == m_lbl && (press || type == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        if (press) {
            m_speechPressed = true;
            return false;
        }
        const bool click = m_speechPressed && m_lbl->rect().contains(mouse->position().toPoint());
        m_speechPressed = false;
        if (click) guard([&] { m_engine.Lbl_Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString Fom::HelpText() {
    return u"占いをするゲームです、\r\n"
           u"占いたい項目をクリックすると\r\n"
           u"とらわれの宇宙人が占ってくれます。\r\n"
           u"実にインチキ臭いので多分インチキです。\r\n"
           u"■が点滅しているときはイベント中です。\r\n"
           u"その辺りをクリックして宇宙人と話を進めて下さい\r\n"
           u"\r\n"
           u"制作：ぴぴり\r\n"
           u"ＨＰ："_s +
           QStringView(kHomePage);
}

void Fom::ImgBak_Click() {
    QMessageBox box(QMessageBox::NoIcon, u"ミョルカ"_s, HelpText().replace(u"\r\n"_s, u"\n"_s),
                    QMessageBox::Ok, this);
    box.exec();
}

void Fom::setSpeech(const QString& text) {
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    m_lbl->setText(shown);
    announceSoon();
}

void Fom::setStatus(const QString& text) {
    m_pic->setStatus(text);
}

void Fom::showFrame(int frame) {
    // The file is read at every flip, so a replaced picture shows at once.
    const QString path = m_engine.appDir() + QString::number(frame - 1) + u".bmp";
    requireRegularFile(path);
    m_pic->setAlienPicture(m_pictures[frame - 1].read(path));
}

void Fom::placeAlien(int years) {
    m_pic->placeAlien(Layout::alienUnits(years));
}

void Fom::setButtonEnabled(int index, bool enabled) {
    m_com[index]->setEnabled(enabled);
}

void Fom::setButtonVisible(int index, bool visible) {
    m_com[index]->setVisible(visible);
    // Hidden with its buttons, so the bare row lets clicks through to the speech area.
    m_menu->setVisible(std::any_of(m_com.begin(), m_com.end(),
                                   [this](QPushButton* com) { return com->isVisibleTo(m_menu); }));
    announceSoon();
}

void Fom::setIndicatorVisible(bool visible) {
    m_indicator->setVisible(visible);
}

void Fom::setIndicatorLamp(Lamp lamp) {
    m_indicator->setLamp(lamp);
}

void Fom::setAnimationInterval(int ms) {
    m_timer->setInterval(ms);
}

void Fom::setAnimationRunning(bool running) {
    if (running) {
        m_timer->start();
    } else {
        m_timer->stop();
        announceSoon();
    }
}

void Fom::announceSoon() {
    if (m_announcePending) return;
    m_announcePending = true;
    QTimer::singleShot(0, this, &Fom::announce);
}

void Fom::announce() {
    m_announcePending = false;
    // A growing line is heard once, when it is complete; lines replaced within one step
    // are never heard.
    if (m_timer->isActive() || m_engine.ended() || m_engine.imageFrame() == 0) return;
    QPushButton* first = nullptr;
    for (QPushButton* com : m_com)
        if (!first && com->isVisibleTo(m_menu)) first = com;
    // Also when the menu went and came back within one step: focus fell out of it meanwhile.
    const bool menuWasThere = m_menuAnnounced;
    const bool menuBack = first && (!menuWasThere || !m_menu->isAncestorOf(focusWidget()));
    const bool menuGone = !first && menuWasThere;
    m_menuAnnounced = first;
    // Keys act on the menu when it is back and on the speech area while it is away. A mouse
    // user keeps the look of the window: no focus frame appears unasked.
    const QWidget* focused = focusWidget();
    const bool unfocused = !focused || focused == this;
    const bool toMenu = menuBack && (m_keyboardUsed || unfocused);
    const bool toSpeech = !first && focused != m_lbl && (menuGone || unfocused);
    m_lbl->setFocusPolicy(first ? Qt::NoFocus : Qt::StrongFocus);
    // Entering the menu, the reader names the group, which the speech labels, so it says the
    // new line there; it asks after the label has changed. A menu that was there when the
    // reader last looked is no news to it: the notification says the line, before the focus
    // moves. On the speech area the focus says the line. Either way each line is heard once.
    const bool groupSaysLine = toMenu && !menuWasThere;
    if (groupSaysLine) first->setFocus();
    const QString line = m_lbl->text();
    if (toSpeech) {
        m_lbl->setAccessibleName(line);
        m_lbl->setFocus();
    } else if (line != m_heard && !groupSaysLine) {
        // Of a grown speech only the new part is news.
        const bool grown = !m_heard.isEmpty() && line.startsWith(m_heard);
        m_notice->hide();
        m_notice->setAccessibleName(grown ? line.mid(m_heard.size()).trimmed() : line);
        m_notice->show();
    }
    // Renaming the focused speech area would have the line said a second time, now or later.
    if (!m_lbl->hasFocus()) m_lbl->setAccessibleName(line);
    if (toMenu && !groupSaysLine) first->setFocus();
    m_heard = line;
}

QString Fom::askText(const QString& prompt, const QString& title) {
    QInputDialog box(this);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(QString());
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(u"OK"_s);
    box.setCancelButtonText(u"キャンセル"_s);
    // The box opens within the step that asks, before the question could be heard on its own.
    box.setAccessibleDescription(m_lbl->text());
    m_lbl->setAccessibleName(m_lbl->text());
    m_heard = m_lbl->text();
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void Fom::processEvents() {
    QCoreApplication::processEvents();
}

void Fom::quit() {
    m_blink->stop();
    m_timer->stop();
    m_exit(0);
}
