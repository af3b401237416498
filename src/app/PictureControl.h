#pragma once
#include <windows.h>

class PhotoView;
class ViewHostWin;

// The picture control's own window procedure before the view replaced it; null
// while nothing is attached.
extern WNDPROC previousViewProc;

// The picture control's procedure once attached: size, paint and mouse messages go
// to currentPhotoView; everything else, and what the view leaves, to the previous one.
LRESULT CALLBACK viewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Subclasses the picture control and attaches the view to it and the status line,
// with the control's client size. False, changing nothing, when subclassing fails.
bool attachPictureControl(PhotoView& view, ViewHostWin& host, HWND picture, HWND status);
// Gives the control its own procedure back, if it still has ours.
void detachPictureControl(HWND picture);
