#pragma once
// How a video view fits a picture whose aspect ratio differs from its own.
enum VideoLayoutScale : int {
    VideoLayoutScaleStretch = 0,
    VideoLayoutScaleFit = 1, // the whole picture, bars where the ratios differ
    VideoLayoutScaleCover = 2, // fills the view, cropped where the ratios differ
};
