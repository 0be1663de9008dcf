// Qt views offscreen: a QApplication on the offscreen platform, the Qt UI
// port over the forms fixture's project, and screenshots of each window
// (QWidget::grab) saved under the build folder's screenshots/.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "forms/qt/progress_dialog.h"
#include "forms/qt/qt_ui.h"
#include "tests/forms/forms_fixture.h"

namespace plrxl::testing {

inline void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "qt_views_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

inline void SaveScreenshot(QWidget& window, const std::string& name) {
  const QString folder = QString(PLRXL_BINARY_DIR) + "/screenshots";
  QDir().mkpath(folder);
  window.adjustSize();
  QApplication::processEvents();
  EXPECT_TRUE(window.grab().save(folder + "/" + QString::fromStdString(name) + ".png")) << name;
}

class QtViewsTest : public FormsTest {
 protected:
  QtViewsTest() : progress_((EnsureApplication(), nullptr)), qt_ui_(progress_) {
    context_.ui = &qt_ui_;
    InstallDownloadEngine(context_, &progress_);
    host_.SetDoEventsHook([this] { qt_ui_.ProcessEvents(); });
  }

  // Plays the person on the window shown under `name`; the hook runs once
  // the window is on screen.
  void OnShow(const std::string& name, std::function<void(QWidget&)> play) {
    plays_.emplace_back(name, std::move(play));
    qt_ui_.SetShowHook([this](QWidget& window, const std::string& shown) {
      for (auto it = plays_.begin(); it != plays_.end(); ++it) {
        if (it->first == shown) {
          auto play = std::move(it->second);
          plays_.erase(it);
          play(window);
          // A play that failed half-way must not leave a modal window open.
          auto* dialog = qobject_cast<QDialog*>(&window);
          if (shown != "ProgressBarWindow" && dialog != nullptr && dialog->isVisible()) {
            ADD_FAILURE() << "the window " << shown << " is still open";
            dialog->done(QDialog::Rejected);
          }
          return;
        }
      }
      ADD_FAILURE() << "nobody plays the window " << shown;
      if (auto* dialog = qobject_cast<QDialog*>(&window)) dialog->reject();
    });
  }

  ProgressDialog progress_;
  QtUi qt_ui_;
  std::vector<std::pair<std::string, std::function<void(QWidget&)>>> plays_;
};

}  // namespace plrxl::testing
