#pragma once

// sonaplex-host's exit statuses, as --help lists them.
enum ExitStatus : int {
    kExitDone = 0,          // the stream ended with "Status: done.", or the action succeeded
    kExitHostFailure = 1,   // the host itself failed: state not saved, picture not drawn
    kExitUsage = 2,         // the command line cannot be used
    kExitModule = 3,        // module missing or unusable, Initialize refused, registration failed
    kExitRefused = 4,       // no stream started: the plug-in showed a message or lacks its window
    kExitStreamFailed = 5,  // the stream failed and was not brought back
    kExitInput = 6,         // the audio input cannot be opened, or failed while it played
    kExitEndedOffAir = 7,   // the run ended while a lost stream was being brought back
};
