#pragma once

// The settings window's controls by their number in creation order, counted
// from 1 as in the window's layout; the eleven captions come first.
enum Control {
    kServerHostBox = 12,
    kServerPortBox,
    kMountPointBox,
    kUserNameBox,
    kPasswordBox,
    kBitRateCombo,
    kSampleRateCombo,
    kRadioNameBox,
    kRadioDescriptionBox,
    kRadioGenreBox,
    kRadioWebsiteBox,
    kSeparator,
    kStatusLabel,
    kStreamButton,
};
