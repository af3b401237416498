#include "export/SendMessages.h"
#include "photo/PhotoView.h"
#include "photo/ViewHost.h"

const char* const SendCaption = "Vistrel error";

void showSendMessage(const PhotoView& view, const char* text, unsigned icon) {
    if (view.host) view.host->showMessage(text, SendCaption, icon);
}
