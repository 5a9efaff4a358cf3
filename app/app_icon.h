#pragma once

#include <QIcon>

namespace morvane::app {

// The application icon, drawn at 16 and 32 pixels (resources :/morvane/morvane-16.png and
// :/morvane/morvane-32.png; the scalable original is app/resources/morvane.svg).
QIcon ApplicationIcon();

}  // namespace morvane::app
