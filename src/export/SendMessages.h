#pragma once
#include <cstddef>
#include <cstdint>

class HotSyncLibrary;
class PhotoView;
struct SendOutcome;
struct SendTarget;

// Every message box of the send path carries this caption, the success notice too.
extern const char* const SendCaption;

// Shows text in a message box owned by the picture control, when one is attached.
void showSendMessage(const PhotoView& view, const char* text, unsigned icon);

// What a failure code of the HotSync libraries means, as a phrase: the library's own
// problem for HotSyncMissing, a generic phrase for a code with no known meaning.
const char* hotSyncReason(const HotSyncLibrary& library, int32_t code);

// The message of a send whose photo was written to path but could not be queued for
// user: the library answered code.
void formatQueueFailure(char* text, size_t size, const HotSyncLibrary& library, int32_t code, const char* path,
                        const char* user);
// What a send says of its outcome: the window shows each text in a message box with its
// icon, the batch prints them.
struct SendText {
    char text[640];
    unsigned icon;
};
// Fills texts with the one or two messages of the outcome; gives their number.
int sendOutcomeTexts(const SendOutcome& outcome, const SendTarget& target, const HotSyncLibrary& library,
                     SendText (&texts)[2]);

// "Can not create file : <path>"
void cannotCreateText(const char* path, char* text, size_t size);
