// Opens one window of the widget library so that it can be looked at (and
// photographed) under a real window manager:
//   widgets_demo_gui mess KIND [details]   the message dialog of kind 0..4
//   widgets_demo_gui progress [STEPS]      the progress window in mid-run
//   widgets_demo_gui panel                 docked panels, one collapsible
//   widgets_demo_gui date                  the date field with its calendar open
//   widgets_demo_gui minimize              minimizes the message dialog, then restores
//                                          the main window, printing the window states
//   widgets_demo_gui updates [N]           times N progress updates (default 1000000)
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Elastic/DockLayout.h"
#include "Elastic/TDynamicPanel.h"
#include "Elastic/TFansyGradientCaption.h"
#include "UtilMess/gui/TMessDlg.h"
#include "UtilPrgs/gui/TProgressForm.h"
#include "Utils/Utils.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"

int main(int argc, char** argv) {
  rts::SetRussianDateNames();
  QApplication app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "mess";
  QMainWindow main;
  main.setWindowTitle("Торги РТС. Подготовка файла сделок для ДРС.");
  main.setGeometry(40, 40, 717, 526);
  TApplicationState::instance().setMainWindow(&main);

  if (mode == "mess") {
    main.show();
    const int kind = argc > 2 ? std::atoi(argv[2]) : 2;
    const bool details = argc > 3;
    static const std::vector<std::string> lines = {
        "Не удалось открыть таблицу OUT.DBF", "Файл занят другим процессом",
        "Проверьте путь C:\\DATA\\OUT.DBF"};
    rts::Message m;
    m.text = "Файл отчета не найден:\nC:\\DATA\\MMVB0305.TXT";
    m.kind = static_cast<rts::TMessKind>(kind);
    if (details) {
      m.details = &lines;
      m.line = 3;
      m.pos = 10;
      m.onDetails = [] {};
    }
    QTimer::singleShot(0, [&] {
      TMessDlg::Execute(&main, m);
      app.quit();
    });
    return app.exec();
  }
  if (mode == "progress") {
    main.show();
    const int steps = argc > 2 ? std::atoi(argv[2]) : 1;
    QStringList names;
    for (int i = 0; i < steps; ++i) names << (i == 0 ? " Экспорт данных" : QString(" Шаг %1").arg(i + 1));
    TProgressForm form(&main, "Экспорт данных в OUT", names);
    form.show();
    for (int s = 0; s < steps; ++s)
      for (int i = 1; i <= 1000; ++i) {
        if (s == steps - 1 && i == 420) {
          QTimer::singleShot(60000, &app, &QApplication::quit);
          app.exec();
          return 0;
        }
        form.UpdateStep(s, i, 1000);
      }
    return 0;
  }
  if (mode == "panel") {
    auto* central = new QWidget;
    main.setCentralWidget(central);
    auto* dock = new DockLayout(central);
    auto* top = new TPanel;
    top->setBevelInner(TBevelCut::bvLowered);
    top->setColor(QColor(207, 207, 231));
    dock->addWidget(top, Dock::Top, 37);
    auto* file = new TFilenameEdit(top);
    file->setGeometry(120, 8, 300, 22);
    file->setText("C:\\DATA\\MMVB0305.TXT");
    auto* status = new TPanel;
    status->setColor(QColor(207, 207, 231));
    dock->addWidget(status, Dock::Bottom, 26);
    auto* lower = new TDynamicPanel;
    lower->setObjectName("FriendPanel1");
    dock->addWidget(lower, Dock::Bottom);
    lower->setBevelInner(TBevelCut::bvLowered);
    lower->setBevelWidth(3);
    lower->setSingleBorder(true);
    auto* head = new TPanel(lower);
    head->setColor(QColor(207, 207, 231));
    head->setBevelInner(TBevelCut::bvLowered);
    lower->dock()->addWidget(head, Dock::Top, 41);
    auto* left = new TDynamicPanel(lower);
    lower->dock()->addWidget(left, Dock::Left);
    left->setBevelInner(TBevelCut::bvLowered);
    left->setBevelWidth(3);
    auto* leftHead = new TPanel(left);
    leftHead->setCaption("Выходной файл");
    leftHead->setColor(QColor(207, 207, 231));
    left->dock()->addWidget(leftHead, Dock::Top, 51);
    left->setSizeRestore(361);
    left->Loaded();
    auto* rest = new TPanel(lower);
    rest->setCaption("Обороты");
    rest->setColor(QColor(214, 214, 214));
    lower->dock()->addWidget(rest, Dock::Fill);
    lower->setSizeRestore(211);
    lower->Loaded();
    auto* grid = new QLabel("Сетка сделок");
    grid->setAlignment(Qt::AlignCenter);
    dock->addWidget(grid, Dock::Fill);
    main.show();
    if (argc > 2) QTimer::singleShot(300, [lower] { lower->setSizeMinimized(true); });
    return app.exec();
  }
  if (mode == "minimize") {
    main.show();
    rts::Message m;
    m.text = "Свернуть и развернуть";
    m.kind = rts::TMessKind::mkInformation;
    auto state = [&](const char* when) {
      auto* d = qobject_cast<TMessDlg*>(QApplication::activeModalWidget());
      std::printf("%s: main %s, dialog %s\n", when, main.isMinimized() ? "minimized" : "normal",
                  d ? (d->isMinimized() ? "minimized" : "normal") : "gone");
      std::fflush(stdout);
    };
    QTimer::singleShot(800, [&] {
      state("shown");
      if (auto* d = QApplication::activeModalWidget()) d->showMinimized();
    });
    QTimer::singleShot(1800, [&] {
      state("dialog minimized");
      main.showNormal();  // as the window manager restores the application
    });
    QTimer::singleShot(2800, [&] {
      state("main window restored");
      if (auto* d = QApplication::activeModalWidget()) static_cast<QDialog*>(d)->accept();
    });
    QTimer::singleShot(0, [&] {
      TMessDlg::Execute(&main, m);
      app.quit();
    });
    return app.exec();
  }
  if (mode == "updates") {
    main.show();
    const int n = argc > 2 ? std::atoi(argv[2]) : 1000000;
    TProgressForm form(&main, "Экспорт данных в OUT", QString(" Экспорт данных"));
    form.show();
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= n; ++i) form.UpdateStep(0, i, n);
    const qint64 ms = timer.elapsed();
    std::printf("%d updates: %lld ms (%.1f ns per update)\n", n, static_cast<long long>(ms),
                n > 0 ? 1e6 * static_cast<double>(ms) / n : 0.0);
    return 0;
  }
  if (mode == "date") {
    auto* central = new QWidget;
    main.setCentralWidget(central);
    auto* date = new TDateEdit(central);
    date->setGeometry(20, 20, 120, 22);
    date->setText("05.03.2003");
    main.show();
    QTimer::singleShot(200, [date] { date->showPopup(); });
    return app.exec();
  }
  return 2;
}
