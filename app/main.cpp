#include "app/morvane_app.h"

int main(int argc, char** argv) {
  morvane::app::CMorvaneApp app(argc, argv);
  return app.Run();
}
