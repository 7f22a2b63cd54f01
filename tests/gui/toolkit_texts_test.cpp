// The toolkit's own texts follow the interface language: the restart
// question's standard buttons read in the user's language, beside the
// program's own translated question.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/configurator_app.h"
#include "app/message_boxes.h"
#include "sim/sim_backend.h"

namespace tarvik {
namespace {

struct ButtonTexts {
  QString ok;
  QString cancel;
};

// Shows the restart question as the program does and reads its buttons
// before cancelling it.
ButtonTexts RestartQuestionButtons(uint32_t lcid) {
  CTarvik_ConfiguratorApp app(sim::DefaultSimBackend(),
                              AppEnvironment{lcid, {}, &SystemMessageBoxes()});
  app.PrepareInstance();
  ButtonTexts texts;
  QTimer reader;
  QObject::connect(&reader, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    texts.ok = box->button(QMessageBox::Ok)->text().remove(QLatin1Char('&'));
    texts.cancel = box->button(QMessageBox::Cancel)->text().remove(QLatin1Char('&'));
    box->reject();
  });
  reader.start(10);
  const int answer = app.ShowMessageBox(nullptr, app.LoadText(kTextRestartQuestion),
                                        BoxIcon::kWarning, BoxButtons::kOkCancelDefaultCancel);
  EXPECT_EQ(answer, kAnswerCancel);
  return texts;
}

TEST(ToolkitTexts, StandardButtonsReadInTheInterfaceLanguage) {
  struct Case {
    uint32_t lcid;
    const char* ok;
    const char* cancel;
  };
  // Japanese, Simplified Chinese, then English and Traditional Chinese
  // (shown in English) after them: no translation stays installed.
  for (const Case& c : {Case{0x0411, "OK", "キャンセル"}, Case{0x0804, "确定", "取消"},
                        Case{0x0409, "OK", "Cancel"}, Case{0x0C04, "OK", "Cancel"}}) {
    SCOPED_TRACE(c.lcid);
    const ButtonTexts texts = RestartQuestionButtons(c.lcid);
    EXPECT_EQ(texts.ok, QString::fromUtf8(c.ok));
    EXPECT_EQ(texts.cancel, QString::fromUtf8(c.cancel));
  }
}

}  // namespace
}  // namespace tarvik
