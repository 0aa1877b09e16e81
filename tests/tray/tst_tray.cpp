// The notification-area icon component: the records it sends, the mouse
// actions it reports, the owner window it hides and restores, its animation.
#include "tray/QtTrayShell.h"
#include "tray/TSystemTrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QtTest>

namespace {
// A notification area that records what it is told and plays mouse actions
// back the way the desktop reports them.
struct FakeShell : TrayShell {
    struct Call {
        TrayNotifyOp op;
        TrayNotifyRecord record;
    };
    QList<Call> calls;
    MessageSink sink;
    int sinkSets = 0;
    int callback = 0;
    bool available = true;
    QMenu* menu = nullptr;

    bool isAvailable() const override { return available; }
    void notify(TrayNotifyOp op, const TrayNotifyRecord& record) override {
        calls.append({op, record});
        callback = op == TrayNotifyOp::Delete ? 0 : record.callbackMessage;
    }
    void setMessageSink(MessageSink s) override {
        sink = std::move(s);
        if (sink) ++sinkSets;
    }
    void setContextMenu(QMenu* m) override { menu = m; }
    void mouse(int action, QPoint at = {10, 20}) {
        if (sink && callback) sink(callback, action, at);
    }
    QList<TrayNotifyOp> ops() const {
        QList<TrayNotifyOp> r;
        for (const Call& c : calls)
            r.append(c.op);
        return r;
    }
};

// Every event of a component, as short words in order.
struct EventLog {
    QStringList words;
    explicit EventLog(TSystemTrayIcon& t) {
        auto button = [](Qt::MouseButton b) {
            return b == Qt::LeftButton ? "L" : b == Qt::RightButton ? "R" : "-";
        };
        QObject::connect(&t, &TSystemTrayIcon::OnLeftClick, [this](TSystemTrayIcon*) { words << "left"; });
        QObject::connect(&t, &TSystemTrayIcon::OnRightClick, [this](TSystemTrayIcon*) { words << "right"; });
        QObject::connect(&t, &TSystemTrayIcon::OnMouseDown,
                         [=, this](TSystemTrayIcon*, int x, int y, Qt::MouseButton b) {
                             words << QStringLiteral("down %1 %2,%3").arg(button(b)).arg(x).arg(y);
                         });
        QObject::connect(&t, &TSystemTrayIcon::OnMouseUp,
                         [=, this](TSystemTrayIcon*, int, int, Qt::MouseButton b) {
                             words << QStringLiteral("up %1").arg(button(b));
                         });
        QObject::connect(&t, &TSystemTrayIcon::OnMouseMove,
                         [=, this](TSystemTrayIcon*, int, int, Qt::MouseButton b) {
                             words << QStringLiteral("move %1").arg(button(b));
                         });
    }
};

QIcon coloured(Qt::GlobalColor c) {
    QPixmap p(16, 16);
    p.fill(c);
    return QIcon(p);
}

struct Component {
    FakeShell* shell;
    std::unique_ptr<TSystemTrayIcon> tray;
    explicit Component(QObject* owner = nullptr) {
        auto s = std::make_unique<FakeShell>();
        shell = s.get();
        tray = std::make_unique<TSystemTrayIcon>(owner, std::move(s));
    }
};
} // namespace

class TestTray : public QObject {
    Q_OBJECT

private slots:
    void firstComponentTakesUserIdZeroAndDefaults() {
        Component a;
        Component b;
        QCOMPARE(a.tray->userID(), 0);
        QCOMPARE(b.tray->userID(), 1);
        QCOMPARE(b.tray->messageNumber(), 1285);
        const TSystemTrayIcon& t = *a.tray;
        QVERIFY(!t.visible() && t.enabled() && t.icon().isNull() && t.hint().isEmpty() && !t.showHint());
        QVERIFY(!t.showAppIcon() && !t.showMainForm() && !t.popupMenu() && !t.restoreOnClick());
        QVERIFY(!t.animate() && !t.animPingPong() && t.animImageList().isEmpty());
        QCOMPARE(t.animInterval(), 200u);
        QCOMPARE(t.property("AnimInterval").toUInt(), 200u);
        // Nothing reaches the notification area before the icon is made visible.
        a.tray->setHint("hidden");
        QVERIFY(a.shell->calls.isEmpty());
        QCOMPARE(a.tray->notifyRecord().tip, QStringLiteral("hidden"));
    }

    void stateApplication() {
        Component c;
        TSystemTrayIcon& t = *c.tray;
        t.setUserID(2);
        t.setVisible(true);
        t.setVisible(true);
        t.setHint(QString(80, 'h'));
        t.setShowHint(true);
        QCOMPARE(c.shell->ops(), (QList<TrayNotifyOp>{TrayNotifyOp::Add, TrayNotifyOp::Modify,
                                                      TrayNotifyOp::Modify, TrayNotifyOp::Modify}));
        QCOMPARE(c.shell->sinkSets, 1);
        const TrayNotifyRecord& first = c.shell->calls.first().record;
        QCOMPARE(first.id, 2);
        QCOMPARE(first.callbackMessage, 1286);
        QCOMPARE(first.flags, 3u);
        const TrayNotifyRecord& last = c.shell->calls.last().record;
        QCOMPARE(last.flags, 7u);
        QCOMPARE(last.tip, QString(63, 'h'));

        t.setVisible(false);
        QCOMPARE(c.shell->calls.last().op, TrayNotifyOp::Delete);
        QVERIFY(!c.shell->sink);
        t.setVisible(false); // not visible: nothing more to remove
        QCOMPARE(c.shell->calls.size(), 5);
        t.setVisible(true);
        QCOMPARE(c.shell->calls.last().op, TrayNotifyOp::Add);
    }

    void destroyingRemovesTheIcon() {
        QList<TrayNotifyOp> seen;
        // The shell goes with the component, so it reports to the test's list.
        struct Watch : FakeShell {
            QList<TrayNotifyOp>* out;
            void notify(TrayNotifyOp op, const TrayNotifyRecord& r) override {
                out->append(op);
                FakeShell::notify(op, r);
            }
        };
        auto w = std::make_unique<Watch>();
        w->out = &seen;
        {
            TSystemTrayIcon t(nullptr, std::move(w));
            t.setVisible(true);
        }
        QCOMPARE(seen, (QList<TrayNotifyOp>{TrayNotifyOp::Add, TrayNotifyOp::Delete}));
    }

    void tipNeverSplitsACharacter() {
        Component c;
        const QString hint = QString(62, 'a') + QStringLiteral("😀tail");
        c.tray->setHint(hint);
        QCOMPARE(c.tray->notifyRecord().tip, QString(62, 'a'));
    }

    void emptyIconShowsApplicationIcon() {
        const QIcon app = coloured(Qt::red);
        QApplication::setWindowIcon(app);
        Component c;
        c.tray->setVisible(true);
        QCOMPARE(c.shell->calls.last().record.icon.cacheKey(), QApplication::windowIcon().cacheKey());
        const QIcon own = coloured(Qt::blue);
        c.tray->setIcon(own);
        QCOMPARE(c.shell->calls.last().record.icon.cacheKey(), own.cacheKey());
        c.tray->setIcon(QIcon());
        QCOMPARE(c.shell->calls.last().record.icon.cacheKey(), QApplication::windowIcon().cacheKey());
    }

    void mouseActions_data() {
        QTest::addColumn<QList<int>>("actions");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("move") << QList<int>{TrayMouseMove} << QStringList{"move -"};
        QTest::newRow("left click") << QList<int>{TrayLeftDown, TrayLeftUp}
                                    << QStringList{"down L 10,20", "up L", "left"};
        QTest::newRow("right click without menu")
            << QList<int>{TrayRightDown, TrayRightUp} << QStringList{"down R 10,20", "up R", "right"};
        QTest::newRow("double click") << QList<int>{TrayLeftDoubleClick} << QStringList{};
        QTest::newRow("middle and unknown") << QList<int>{TrayMiddleDown, 6, 9, 255} << QStringList{};
        QTest::newRow("only the low byte counts")
            << QList<int>{0x100 | TrayLeftUp} << QStringList{"up L", "left"};
    }

    void mouseActions() {
        QFETCH(QList<int>, actions);
        QFETCH(QStringList, expected);
        Component c;
        EventLog log(*c.tray);
        c.tray->setVisible(true);
        for (int a : actions)
            c.shell->mouse(a);
        QCOMPARE(log.words, expected);
    }

    void messagesOfOtherIconsAndDisabledIcon() {
        Component c;
        EventLog log(*c.tray);
        // Not visible: the icon receives nothing.
        c.shell->mouse(TrayLeftUp);
        c.tray->setVisible(true);
        QVERIFY(!c.tray->handleTrayMessage(c.tray->messageNumber() + 1, TrayLeftUp, {}));
        QVERIFY(c.tray->handleTrayMessage(c.tray->messageNumber(), TrayLeftDoubleClick, {}));
        c.tray->setEnabled(false);
        QCOMPARE(c.shell->calls.last().op, TrayNotifyOp::Modify); // the icon stays
        QCOMPARE(c.shell->calls.last().record.callbackMessage, 0);
        c.shell->mouse(TrayLeftUp);
        QVERIFY(log.words.isEmpty());
        c.tray->setEnabled(true);
        c.shell->mouse(TrayRightUp);
        QCOMPARE(log.words, (QStringList{"up R", "right"}));
    }

    void rightClickOpensPopupMenuAtCursor() {
        Component c;
        QMenu menu;
        menu.addAction("Salir");
        c.tray->setPopupMenu(&menu);
        QCOMPARE(c.shell->menu, &menu);
        c.tray->setVisible(true);
        c.shell->mouse(TrayRightDown, {40, 50});
        QVERIFY(!menu.isVisible());
        c.shell->mouse(TrayRightUp, {40, 50});
        QVERIFY(menu.isVisible());
        menu.close();
        c.shell->mouse(TrayLeftUp); // a left click opens no menu
        QVERIFY(!menu.isVisible());
    }

    void leftClickRestoresOwner() {
        QWidget owner;
        Component c(&owner);
        c.tray->setVisible(true);
        owner.showMinimized();
        // Minimized, the owner leaves the task bar and lives in the notification area.
        QTRY_VERIFY(!owner.isVisible());
        c.shell->mouse(TrayLeftUp);
        QVERIFY(!owner.isVisible()); // RestoreOnClick is off
        c.tray->setRestoreOnClick(true);
        c.shell->mouse(TrayLeftUp);
        QVERIFY(owner.isVisible());
        QVERIFY(!owner.isMinimized());
    }

    void ownerStaysReachableWithoutTrayOrWithAppIcon() {
        QWidget owner;
        Component c(&owner);
        c.tray->setVisible(true);
        c.shell->available = false;
        QVERIFY(c.tray->shouldShowMainForm());
        owner.showMinimized();
        QTest::qWait(20);
        QVERIFY(owner.isVisible());

        c.shell->available = true;
        QVERIFY(!c.tray->shouldShowMainForm());
        c.tray->setShowMainForm(true);
        QVERIFY(c.tray->shouldShowMainForm());
        c.tray->setShowMainForm(false);

        // Turning ShowAppIcon off hides the minimized owner; on brings it back minimized.
        c.tray->setShowAppIcon(false);
        owner.showNormal();
        owner.showMinimized();
        QTRY_VERIFY(!owner.isVisible());
        c.tray->setShowAppIcon(true);
        QVERIFY(owner.isVisible() && owner.isMinimized());
        owner.showNormal();
        owner.showMinimized();
        QTest::qWait(20);
        QVERIFY(owner.isVisible());
        c.tray->setShowAppIcon(false);
        QTRY_VERIFY(!owner.isVisible());
        c.tray->setShowAppIcon(true);

        // An invisible icon could not bring the owner back: it stays.
        c.tray->setShowAppIcon(false);
        c.tray->setVisible(false);
        owner.showNormal();
        owner.showMinimized();
        QTest::qWait(20);
        QVERIFY(owner.isVisible());
    }

    void animationFrameOrder_data() {
        QTest::addColumn<int>("images");
        QTest::addColumn<bool>("pingPong");
        QTest::addColumn<QList<int>>("frames");
        QTest::newRow("three wrapping") << 3 << false << QList<int>{0, 1, 2, 0, 1, 2, 0};
        QTest::newRow("three forth and back") << 3 << true << QList<int>{0, 1, 2, 1, 0, 1, 2, 1, 0};
        QTest::newRow("nine forth and back")
            << 9 << true << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1};
        QTest::newRow("two forth and back") << 2 << true << QList<int>{0, 1, 0, 1, 0};
        QTest::newRow("one forth and back") << 1 << true << QList<int>{0, 0, 0};
        QTest::newRow("one wrapping") << 1 << false << QList<int>{0, 0};
    }

    void animationFrameOrder() {
        QFETCH(int, images);
        QFETCH(bool, pingPong);
        QFETCH(QList<int>, frames);
        const Qt::GlobalColor colours[] = {Qt::red,    Qt::green, Qt::blue,    Qt::cyan,    Qt::magenta,
                                           Qt::yellow, Qt::gray,  Qt::darkRed, Qt::darkBlue};
        QList<QIcon> list;
        for (int i = 0; i < images; ++i)
            list.append(coloured(colours[i]));
        Component c;
        c.tray->setAnimImageList(list);
        c.tray->setAnimPingPong(pingPong);
        c.tray->setVisible(true);
        QList<int> shown;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            c.tray->animationStep();
            const qint64 key = c.shell->calls.last().record.icon.cacheKey();
            for (int f = 0; f < images; ++f)
                if (list[f].cacheKey() == key) shown.append(f);
        }
        QCOMPARE(shown, frames);
        QCOMPARE(c.shell->calls.size(), frames.size() + 1); // one change per frame
    }

    void animationWithoutImagesDoesNothing() {
        Component c;
        c.tray->setVisible(true);
        c.tray->setAnimate(true);
        c.tray->animationStep();
        QCOMPARE(c.shell->calls.size(), 1);
        QVERIFY(c.tray->icon().isNull());
    }

    void animateKeepsOneTimer() {
        Component c;
        c.tray->setAnimImageList({coloured(Qt::red), coloured(Qt::green), coloured(Qt::blue)});
        c.tray->setAnimPingPong(true);
        c.tray->setVisible(true);
        c.tray->setAnimate(true);
        QTimer* timer = c.tray->animationTimer();
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 200);
        c.tray->animationStep();
        c.tray->animationStep();
        c.tray->setAnimate(true);
        QCOMPARE(c.tray->animationTimer(), timer);
        QCOMPARE(c.tray->findChildren<QTimer*>().size(), 1);
        QCOMPARE(c.tray->animationCursor().index(), 2); // still running where it was
        c.tray->setAnimInterval(150);
        QCOMPARE(timer->interval(), 150);

        c.tray->setAnimate(false);
        QVERIFY(!c.tray->animationTimer());
        QVERIFY(c.tray->findChildren<QTimer*>().isEmpty());
        // A new animation starts from the first frame, going forth.
        c.tray->setAnimate(true);
        QCOMPARE(c.tray->animationCursor().index(), 0);
        QCOMPARE(c.tray->animationCursor().direction(), 1);

        // The timer drives the frames.
        c.tray->setAnimInterval(5);
        const qsizetype before = c.shell->calls.size();
        QTRY_VERIFY(c.shell->calls.size() >= before + 4);
        // Interval 0 holds the animation rather than spinning.
        c.tray->setAnimInterval(0);
        QVERIFY(!c.tray->animationTimer()->isActive());
        const qsizetype held = c.shell->calls.size();
        QTest::qWait(30);
        QCOMPARE(c.shell->calls.size(), held);
    }

    void qtShellActivations_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("trigger") << int(QSystemTrayIcon::Trigger) << QStringList{"left"};
        QTest::newRow("context") << int(QSystemTrayIcon::Context) << QStringList{"right"};
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << QStringList{};
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << QStringList{};
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QStringList{};
    }

    void qtShellActivations() {
        QFETCH(int, reason);
        QFETCH(QStringList, expected);
        auto shell = std::make_unique<QtTrayShell>();
        QSystemTrayIcon* qt = shell->systemTrayIcon();
        TSystemTrayIcon t(nullptr, std::move(shell));
        QStringList clicks;
        connect(&t, &TSystemTrayIcon::OnLeftClick, [&] { clicks << "left"; });
        connect(&t, &TSystemTrayIcon::OnRightClick, [&] { clicks << "right"; });
        emit qt->activated(QSystemTrayIcon::ActivationReason(reason));
        QVERIFY(clicks.isEmpty()); // not visible yet
        t.setVisible(true);
        emit qt->activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(clicks, expected);
        t.setEnabled(false);
        emit qt->activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(clicks, expected);
    }

    void qtShellShowsIconAndHint() {
        auto shell = std::make_unique<QtTrayShell>();
        QSystemTrayIcon* qt = shell->systemTrayIcon();
        TSystemTrayIcon t(nullptr, std::move(shell));
        const QIcon own = coloured(Qt::green);
        t.setIcon(own);
        t.setHint(QString(70, 'x'));
        t.setVisible(true);
        QVERIFY(qt->isVisible());
        QCOMPARE(qt->icon().cacheKey(), own.cacheKey());
        QCOMPARE(qt->toolTip(), QString()); // ShowHint off
        t.setShowHint(true);
        QCOMPARE(qt->toolTip(), QString(63, 'x'));
        QMenu menu;
        t.setPopupMenu(&menu);
        QCOMPARE(qt->contextMenu(), &menu);
        t.setVisible(false);
        QVERIFY(!qt->isVisible());
    }

    void clickHandlerMayDeleteTheComponent() {
        auto shell = std::make_unique<QtTrayShell>();
        QSystemTrayIcon* qt = shell->systemTrayIcon();
        auto* t = new TSystemTrayIcon(nullptr, std::move(shell));
        t->setVisible(true);
        bool up = false;
        connect(t, &TSystemTrayIcon::OnMouseUp, [&] { up = true; });
        connect(t, &TSystemTrayIcon::OnMouseDown, [&] { delete t; });
        QPointer<QSystemTrayIcon> guard(qt);
        emit qt->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!guard);
        QVERIFY(!up);
    }

    void cleanup() {
        // Program-wide values: back to their defaults for the next case.
        Component c;
        c.tray->setShowAppIcon(false);
        c.tray->setShowMainForm(false);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
