#pragma once
// The kind of device an interface is laid out for. Plain values, any thread.

enum UIUserInterfaceIdiom : long {
    UIUserInterfaceIdiomUnspecified = -1,
    UIUserInterfaceIdiomPhone = 0,
    UIUserInterfaceIdiomPad = 1,
};
