#include "app/app_icon.h"

#include <QString>

// The resources are linked from a static library, so they are registered by hand.
static void RegisterIconResources() { Q_INIT_RESOURCE(morvane); }

namespace morvane::app {

QIcon ApplicationIcon() {
  static const bool registered = [] {
    RegisterIconResources();
    return true;
  }();
  static_cast<void>(registered);
  QIcon icon;
  icon.addFile(QStringLiteral(":/morvane/morvane-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/morvane/morvane-32.png"), QSize(32, 32));
  return icon;
}

}  // namespace morvane::app
