#include "app/morvane_app.h"
#include "platform/interrupts.h"

int main(int argc, char** argv) {
  // A desktop session ending during a conversion leaves the destination as it was, and no
  // temporary file beside it.
  morvane::EndOnInterrupt(morvane::InterruptRequests::Session);
  morvane::app::CMorvaneApp app(argc, argv);
  return app.Run();
}
