// One QApplication for the whole test binary; the offscreen platform's
// notice about window shapes is dropped.
#include <gtest/gtest.h>

#include <QApplication>

namespace {
QtMessageHandler previous = nullptr;
void Quiet(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support setting window masks"))) return;
  if (previous) previous(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
  previous = qInstallMessageHandler(Quiet);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
