#pragma once
#include <cstddef>
#include <cstdint>

class HotSyncLibrary;
class PhotoView;

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
