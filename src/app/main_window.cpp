// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "main_window.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

#include "fault.h"
#include "fault_report.h"
#include "fonts.h"
#include "menu_button.h"
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

MainWindow::MainWindow(Random& random, const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_engine(*this, random, folder),
      m_tank(new Tank(this)),
      m_speechLabel(new QLabel(this)),
      m_indicator(new Indicator(this)),
      m_notice(new QWidget(this)),
      m_menu(new QWidget(this)),
      m_blinkTimer(new QTimer(this)),
      m_animationTimer(new QTimer(this)) {
    giveSpokenRoles(m_speechLabel, m_menu,
                    m_notice);  // before anything asks for their accessible interfaces
    setObjectName(u"mainWindow"_s);
    setWindowTitle(u"ミョルカ"_s);

    m_speechLabel->setObjectName(u"speech"_s);
    m_speechLabel->setText(m_speech);
    m_speechLabel->setTextFormat(Qt::PlainText);
    m_speechLabel->setWordWrap(true);
    m_speechLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_speechLabel->setAutoFillBackground(true);
    QPalette speechColours = m_speechLabel->palette();
    speechColours.setColor(QPalette::Window, QColor(0, 0, 192));
    speechColours.setColor(QPalette::WindowText, Qt::white);
    m_speechLabel->setPalette(speechColours);
    m_speechLabel->setFont(serifFont());
    m_speechLabel->setToolTip(u"会話を進めます。■が出ているときに進めることが出来ます。"_s);
    m_speechLabel->setAccessibleDescription(
        u"宇宙人の言葉。スペースかエンターかクリックで話が進みます"_s);
    m_menu->setObjectName(u"menu"_s);
    m_menu->setAccessibleName(u"メニュー"_s);
    m_menu->hide();
    m_notice->setObjectName(u"notice"_s);
    m_notice->setGeometry(0, 0, 0, 0);
    m_notice->hide();
    QCoreApplication::instance()->installEventFilter(this);  // to know when keys are in use
    // Far longer than a repeat's press takes to follow its release, far shorter than a finger.
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(20);
    connect(&m_releaseTimer, &QTimer::timeout, this, &MainWindow::passHeldRelease);

    m_indicator->setObjectName(u"indicator"_s);
    m_indicator->setAccessibleName(u"イベント表示"_s);
    m_indicator->setAccessibleDescription(u"点滅しているときはクリックで話を進められます"_s);
    m_indicator->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i < 5; ++i) {
        auto* button = new MenuButton(TalkEngine::menuCaptions[i], m_menu);
        button->setObjectName(u"menu"_s + QString::number(i));
        button->setToolTip(u"占いたい項目をクリックしてね"_s);
        button->setAccessibleDescription(u"占いたい項目をクリックしてね"_s);
        button->setEnabled(false);
        button->hide();
        connect(button, &QPushButton::clicked, this,
                [this, i] { guard([&] { m_engine.onMenuClicked(i); }); });
        m_buttons[i] = button;
    }
    m_indicator->raise();

    m_blinkTimer->setObjectName(u"blinkTimer"_s);
    m_blinkTimer->setInterval(100);
    connect(m_blinkTimer, &QTimer::timeout, this,
            [this] { guard([&] { m_engine.blinkIndicator(); }); });
    m_animationTimer->setObjectName(u"animationTimer"_s);
    m_animationTimer->setInterval(100);
    m_animationTimer->setTimerType(Qt::PreciseTimer);
    connect(m_animationTimer, &QTimer::timeout, this,
            [this] { guard([&] { m_engine.animationTick(); }); });
    connect(m_tank, &Tank::alienClicked, this, [this] { guard([&] { onAlienClicked(); }); });
}

template <typename Handler>
void MainWindow::guard(Handler&& handler) {
    if (m_engine.ended()) return;
    try {
        handler();
    } catch (const Fault& fault) {
        m_faulted = true;
        m_engine.abandon();
        m_blinkTimer->stop();
        m_animationTimer->stop();
        reportFault(fault, this);
        m_exit(kFaultExitCode);
    }
}

void MainWindow::load() {
    m_engine.load();
    applyLayout(QSize(0, 0));
    // Placed once here and then only by the talk: the tank keeps it in proportion when the
    // layout changes, so a late decoration size cannot grow the reborn alien back.
    placeAlien(m_engine.record().years);
    m_blinkTimer->start();
}

void MainWindow::quitAndStore() {
    // After a fault nothing is saved; but a signal or logout must not wait for its box.
    if (m_faulted) return m_exit(kFaultExitCode);
    guard([&] { m_engine.quitAndStore(); });
}

void MainWindow::storeRecord() {
    guard([&] { m_engine.storeRecord(); });
}

void MainWindow::storeAtExit() {
    if (m_engine.ended()) return;
    try {
        m_engine.quitAndStore();
    } catch (const Fault& fault) {
        printFault(fault);
        std::_Exit(kFaultExitCode);
    }
}

void MainWindow::applyLayout(QSize decoration) {
    if (decoration == m_decoration) return;
    m_decoration = decoration;
    const QRect screenArea = screen()->geometry();
    const Layout layout = computeLayout(screenArea.size(), decoration);
    setFixedSize(layout.client);
    move(screenArea.center() - QPoint(layout.outer.width() / 2, layout.outer.height() / 2));

    m_tank->setStatusPointSize(layout.statusPointSize);  // before the size, which fits it
    m_tank->setGeometry(layout.tank);
    m_speechLabel->setGeometry(layout.speech);
    m_speechPixels = std::max(1, Layout::pointsToPixels(layout.speechPointSize));
    m_indicator->setGeometry(layout.indicator);
    // A small screen, or a large scale, leaves the longest caption no room inside the button's
    // edges at the layout's size: all five get smaller alike, as the first is fitted.
    QPushButton* first = m_buttons[0];
    first->setFont(serifFont());
    const int captionRoom = layout.buttons[0].width() - 2 * MenuButton::kEdgeWidth - 2;
    shrinkToFit(first, Layout::pointsToPixels(layout.buttonPointSize), captionRoom, 1, [first] {
        int widest = 0;
        for (const QString& caption : TalkEngine::menuCaptions)
            widest = std::max(widest, first->fontMetrics().horizontalAdvance(caption));
        return widest;
    });
    const QFont buttons = first->font();
    QRect row;
    for (const QRect& button : layout.buttons) row |= button;
    m_menu->setGeometry(row);
    for (int i = 0; i < 5; ++i) {
        m_buttons[i]->setGeometry(layout.buttons[i].translated(-row.topLeft()));
        m_buttons[i]->setFont(buttons);
    }
    fitMenuRow();
    showSpeech();  // to the new size, above the menu row if it shows
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Show && !m_shown) {
        m_shown = true;
        QTimer::singleShot(0, this, [this] { guard([&] { m_engine.activate(); }); });
    }
    // Once the window manager has framed the window, keep the outer size and centre.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Show) && isVisible()) {
        const QSize decoration = frameGeometry().size() - geometry().size();
        if (decoration.isValid() && decoration != m_decoration) applyLayout(decoration);
    }
    return handled;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    quitAndStore();
    event->accept();
}

namespace {
bool movesTheTalkOn(const QKeyEvent* event) {
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
           event->key() == Qt::Key_Enter;
}
}  // namespace

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const bool advance = movesTheTalkOn(event);
    // A button keeps the focus for a moment after the menu has gone; it presses nothing then.
    const auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (advance && !(button && button->isVisible())) {
        // One press, one step: a held key would otherwise run a whole reading to its end.
        if (event->isAutoRepeat()) return;
        guard([&] { m_engine.onSpeechClicked(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && !m_keyboardUsed) {
        m_keyboardUsed = true;
        for (MenuButton* button : m_buttons) button->showFocusFrame();
    }
    // Keys reach the window before any of its widgets.
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && !m_passingRelease &&
        watched == static_cast<QObject*>(windowHandle())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (m_heldRelease && type == QEvent::KeyPress) {
            if (key->key() == m_heldRelease->key() &&
                key->timestamp() == m_heldRelease->timestamp()) {
                m_heldRelease.reset();  // a repeat
                return true;
            }
            passHeldRelease();  // a new press: the release before it was a real one
        }
        // Keys a screen reader passes on carry no time (0): for them Qt's mark has to do.
        if (type == QEvent::KeyRelease && movesTheTalkOn(key) && !key->isAutoRepeat() &&
            key->timestamp() != 0) {
            passHeldRelease();
            m_heldRelease.reset(key->clone());
            m_releaseTimer.start();
            return true;
        }
    }
    // A click is a left press and release both on the speech: one dragged off is taken back.
    // A quick second press arrives as a double click.
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (watched == m_speechLabel && (press || type == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        if (press) {
            m_speechPressed = true;
            return false;
        }
        const bool click =
            m_speechPressed && m_speechLabel->rect().contains(mouse->position().toPoint());
        m_speechPressed = false;
        if (click) guard([&] { m_engine.onSpeechClicked(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString MainWindow::helpText() {
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

void MainWindow::onAlienClicked() {
    QMessageBox box(QMessageBox::NoIcon, u"ミョルカ"_s, helpText().replace(u"\r\n"_s, u"\n"_s),
                    QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::setSpeech(const QString& text) {
    QString line = text;
    line.replace(u"\r\n"_s, u"\n"_s);
    // A talk that says the line said last is news all the same: the talk went on.
    if (line == m_speech && !m_animationTimer->isActive()) m_heard.clear();
    m_speech = line;
    showSpeech();
    announceSoon();
}

void MainWindow::showSpeech() {
    QFont font = m_speechLabel->font();
    font.setPixelSize(m_speechPixels);
    m_speechLabel->setText(
        breakOverlongWords(m_speech, QFontMetricsF(font), m_speechLabel->contentsRect().width()));
    fitSpeech();
}

void MainWindow::passHeldRelease() {
    m_releaseTimer.stop();
    const std::unique_ptr<QKeyEvent> release = std::move(m_heldRelease);
    if (!release || !windowHandle()) return;
    m_passingRelease = true;
    QCoreApplication::sendEvent(windowHandle(), release.get());  // may open the teaching box
    m_passingRelease = false;
}

void MainWindow::fitSpeech() {
    // Long entries in the word lists, or a long taught noun, would run off the window's bottom:
    // the words get smaller rather than be lost. The text hangs from the top, and a shown menu
    // row covers the bottom strip. The height needed grows with the size squared.
    const int room =
        m_menu->isHidden() ? m_speechLabel->height() : m_menu->y() - m_speechLabel->y();
    shrinkToFit(m_speechLabel, m_speechPixels, room, 2,
                [this] { return m_speechLabel->heightForWidth(m_speechLabel->width()); });
}

void MainWindow::setStatus(const QString& text) {
    m_tank->setStatus(text);
}

void MainWindow::showFrame(int frame) {
    // The file is read at every flip, so a replaced picture shows at once.
    const QString path = m_engine.folder() + QString::number(frame - 1) + u".bmp";
    m_tank->setAlienPicture(m_pictures[frame - 1].read(path));
}

void MainWindow::placeAlien(int years) {
    m_tank->placeAlien(Layout::alienUnits(years));
}

void MainWindow::setButtonEnabled(int index, bool enabled) {
    m_buttons[index]->setEnabled(enabled);
}

void MainWindow::setButtonVisible(int index, bool visible) {
    m_buttons[index]->setVisible(visible);
    fitMenuRow();
    announceSoon();
}

void MainWindow::fitMenuRow() {
    // The row lies over the speech's bottom strip: where no button shows, clicks must go on to
    // the speech area, so the row takes only the places of its shown buttons.
    QRegion shown;
    for (QPushButton* button : m_buttons)
        if (button->isVisibleTo(m_menu)) shown += button->geometry();
    m_menu->setMask(shown);
    if (m_menu->isHidden() == shown.isEmpty()) return;
    m_menu->setVisible(!shown.isEmpty());
    fitSpeech();
}

QPushButton* MainWindow::firstShownButton() const {
    for (QPushButton* button : m_buttons)
        if (button->isVisibleTo(m_menu)) return button;
    return nullptr;
}

void MainWindow::setIndicatorVisible(bool visible) {
    m_indicator->setVisible(visible);
}

void MainWindow::setIndicatorLamp(Lamp lamp) {
    m_indicator->setLamp(lamp);
}

void MainWindow::setAnimationInterval(int ms) {
    m_animationTimer->setInterval(ms);
}

void MainWindow::setAnimationRunning(bool running) {
    if (running) {
        m_animationTimer->start();
    } else {
        m_animationTimer->stop();
        announceSoon();
    }
}

void MainWindow::announceSoon() {
    if (m_announcePending) return;
    m_announcePending = true;
    QTimer::singleShot(0, this, &MainWindow::announce);
}

// Long enough for a screen reader to have taken in a focus change.
constexpr int kAfterFocusMs = 300;

void MainWindow::announce() {
    m_announcePending = false;
    // A growing line is heard once, when it is complete; lines replaced within one step
    // are never heard.
    if (m_animationTimer->isActive() || m_engine.ended() || !m_engine.activated()) return;
    QPushButton* first = firstShownButton();
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
    const bool toSpeech = !first && focused != m_speechLabel && (menuGone || unfocused);
    m_speechLabel->setFocusPolicy(first ? Qt::NoFocus : Qt::StrongFocus);
    // Entering the menu, the reader names the group, which the speech labels, so it says the
    // new line there; it asks after the label has changed. A menu that was there when the
    // reader last looked is no news to it: the notification says the line, a moment after the
    // focus has moved, as Orca drops a notification that arrives with a focus change. On the
    // speech area the focus says the line. Either way each line is heard once.
    const bool groupSaysLine = toMenu && !menuWasThere;
    if (toMenu) first->setFocus();
    const QString& line = m_speech;
    if (toSpeech) {
        m_speechLabel->setAccessibleName(line);
        m_speechLabel->setFocus();
    } else if (line != m_heard && !groupSaysLine) {
        // Of a grown speech only the new part is news.
        const bool grown = !m_heard.isEmpty() && line.startsWith(m_heard);
        const QString news = grown ? line.mid(m_heard.size()).trimmed() : line;
        QTimer::singleShot(toMenu ? kAfterFocusMs : 0, m_notice, [this, news] {
            m_notice->hide();
            m_notice->setAccessibleName(news);
            m_notice->show();
        });
    }
    // Renaming the focused speech area would have the line said a second time, now or later.
    if (!m_speechLabel->hasFocus()) m_speechLabel->setAccessibleName(line);
    m_heard = line;
}

QString MainWindow::askText(const QString& prompt, const QString& title) {
    QInputDialog box(this);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(QString());
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(u"OK"_s);
    box.setCancelButtonText(u"キャンセル"_s);
    // The box opens within the step that asks, before the question could be heard on its own.
    box.setAccessibleDescription(m_speech);
    m_speechLabel->setAccessibleName(m_speech);
    m_heard = m_speech;
    if (box.exec() != QDialog::Accepted) return QString();
    // Pasted text may carry what no one sees: control and format characters, variation
    // selectors. Stored, they would come back as "？".
    QList<char32_t> seen;
    for (const char32_t c : box.textValue().toUcs4()) {
        const auto category = QChar::category(c);
        const bool unseen = (category == QChar::Other_Control && c != u'\r' && c != u'\n') ||
                            category == QChar::Other_Format || (c >= 0x180B && c <= 0x180F) ||
                            (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF);
        if (!unseen) seen.append(c);
    }
    QString noun = QString::fromUcs4(seen.constData(), seen.size());
    // The box is one line, but a pasted text may bring line breaks, which the people list would
    // keep as "？": then its first line with text is the answer. Spaces stay part of the noun, so
    // " 犬" is a new word beside "犬". A voiced mark apart from its kana is joined to it. The
    // noun is kept to as much as the alien says of an entry.
    if (noun.contains(u'\r') || noun.contains(u'\n')) {
        const QStringList lines = noun.replace(u'\r', u'\n').split(u'\n');
        const auto withText = std::find_if(lines.begin(), lines.end(), [](const QString& line) {
            return !line.trimmed().isEmpty();
        });
        noun = withText == lines.end() ? QString() : *withText;
    }
    noun = noun.normalized(QString::NormalizationForm_C);
    noun.truncate(WordLists::kLongestShown);
    if (!noun.isEmpty() && noun.back().isHighSurrogate()) noun.chop(1);  // half an emoji
    return noun;
}

void MainWindow::processEvents() {
    QCoreApplication::processEvents();
}

void MainWindow::quit() {
    m_blinkTimer->stop();
    m_animationTimer->stop();
    m_exit(0);
}
