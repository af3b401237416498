#pragma once
#include <cstddef>

class PhotoView;
struct SendOutcome;
struct SendTarget;

// Every message box of the send path carries this caption, the success notice too.
extern const char* const SendCaption;

// Shows text in a message box owned by the picture control, when one is attached.
void showSendMessage(const PhotoView& view, const char* text, unsigned icon);

// What a send says of its outcome: the window shows each text in a message box with its
// icon, the batch prints them.
struct SendText {
    char text[640];
    unsigned icon;
};
// Fills texts with the one or two messages of the outcome; gives their number.
int sendOutcomeTexts(const SendOutcome& outcome, const SendTarget& target, SendText (&texts)[2]);

// "Can not create file : <path>"
void cannotCreateText(const char* path, char* text, size_t size);
