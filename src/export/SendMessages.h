#pragma once

class PhotoView;

// Every message box of the send path carries this caption, the success notice too.
extern const char* const SendCaption;

// Shows text in a message box owned by the picture control, when one is attached.
void showSendMessage(const PhotoView& view, const char* text, unsigned icon);
