// The app's process entry: the platform's application main loop, with AppDelegate as the
// application's delegate.
#include "UIKit/UIApplicationMain.h"

int main(int argc, char* argv[])
{
    return UIApplicationMain(argc, argv, std::nullopt, "AppDelegate");
}
