#pragma once
// Every helper the library adds to platform types, in namespace KVNExtensions: fonts,
// colours, text checks, JSON reads, images, navigation titles, view controllers, the
// application's status-bar setting, the device model and the camera's torch and focus.
#include "Private/Extensions/AVCaptureDevice+KVNExtensions.h"
#include "Private/Extensions/HTTPSessionManager+KVNExtensions.h"
#include "Private/Extensions/NSDictionary+KVNExtensions.h"
#include "Private/Extensions/NSString+KVNExtensions.h"
#include "Private/Extensions/NSURLSessionTask+KVNExtensions.h"
#include "Private/Extensions/UIApplication+KVNExtensions.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIDevice+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UIImage+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Extensions/UIViewController+KVNExtensions.h"
