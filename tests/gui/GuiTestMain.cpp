// The window tests run in the program's own application object (it shows what a command throws),
// on the offscreen platform, also when ctest lists the tests without its environment.
#include <gtest/gtest.h>

#include <QtGlobal>

#include "Application.h"

namespace {

QtMessageHandler g_standard = nullptr;

// The offscreen platform complains about every window that has a size grip; nothing to see.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("does not support propagateSizeHints"))) return;
  if (g_standard) g_standard(type, context, message);
}

}  // namespace

// The leak checker of this toolchain's sanitizer guesses the extent of a thread's dynamic TLS
// blocks from a header older C libraries put in front of them; when a block (libjpeg's, for the
// logo) lands 16 bytes into a page, it reads garbage there and crashes at exit. The window's
// tests do not keep heap pointers in dynamic TLS, so its bookkeeping is switched off. Builds
// without the sanitizer never call this.
extern "C" __attribute__((used, visibility("default"))) const char* __asan_default_options() {
  return "intercept_tls_get_addr=0";
}

int main(int argc, char** argv) {
  g_standard = qInstallMessageHandler(QuietMessages);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ombrix::TApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
