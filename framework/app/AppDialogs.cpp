// The application's dialogs, and widgets deleted only once the pump has
// unwound past the step that let them go.
#include <algorithm>

#include "framework/app/Dialog.h"
#include "framework/app/VantAppBase.h"

namespace Vant {

Dialog* VantAppBase::NewDialog(int id, bool modal, const std::string& title, const std::string& header,
                               const std::string& footer, int buttonMode) {
    return new Dialog(nullptr, nullptr, id, modal, title, header, footer, buttonMode);
}

Dialog* VantAppBase::DoDialog(int id, bool modal, const std::string& title, const std::string& header,
                              const std::string& footer, int buttonMode) {
    KillDialog(id);
    Dialog* dialog = NewDialog(id, modal, title, header, footer, buttonMode);
    AddDialog(id, dialog);
    return dialog;
}

Dialog* VantAppBase::GetDialog(int id) {
    auto it = mDialogMap.find(id);
    return it == mDialogMap.end() ? nullptr : it->second;
}

void VantAppBase::AddDialog(int id, Dialog* dialog) {
    KillDialog(id);
    if (dialog->mWidth == 0) {
        const int w = mWidth / 2;
        dialog->Resize((mWidth - w) / 2, mHeight / 5, w, dialog->GetPreferredHeight(w));
    }
    mDialogMap[id] = dialog;
    mDialogList.push_back(dialog);
    mWidgetManager->AddWidget(dialog);
    if (dialog->IsModal()) {
        // Pushed, so that closing it gives back the modal state and focus
        // that were there before it.
        mWidgetManager->PushModalDefault(dialog);
        ModalOpen();
    }
}

void VantAppBase::AddDialog(Dialog* dialog) { AddDialog(dialog->mId, dialog); }

bool VantAppBase::KillDialog(int id) {
    auto it = mDialogMap.find(id);
    if (it == mDialogMap.end()) return false;
    Dialog* dialog = it->second;
    // Killed before any button answered.
    if (dialog->mResult == Dialog::kNoResult) dialog->mResult = 0;
    mDialogList.remove(dialog);
    mDialogMap.erase(it);
    WidgetManager& wm = *mWidgetManager;
    if (dialog->IsModal()) {
        if (!wm.mPreModalInfoList.empty() && wm.mPreModalInfoList.back().mModalWidget == dialog) {
            wm.PopModal(dialog);
        } else {
            // Closed out of order: its record must not outlive it.
            wm.mPreModalInfoList.remove_if([dialog](const WidgetManager::PreModalInfo& info) {
                return info.mModalWidget == dialog;
            });
        }
    }
    wm.RemoveWidget(dialog);
    if (dialog->IsModal()) ModalClose();
    SafeDeleteWidget(dialog);
    return true;
}

bool VantAppBase::KillDialog(Dialog* dialog) { return dialog && KillDialog(dialog->mId); }

int VantAppBase::GetDialogCount() { return static_cast<int>(mDialogMap.size()); }

void VantAppBase::SafeDeleteWidget(Widget* widget) {
    if (widget) SafeDeleteWidget(widget, [widget] { delete widget; });
}

void VantAppBase::FreeDialogsAndWidgets() {
    for (auto& [id, dialog] : mDialogMap) {
        if (mWidgetManager) mWidgetManager->RemoveWidget(dialog);
        delete dialog;
    }
    mDialogMap.clear();
    mDialogList.clear();
    std::vector<DeferredDelete> pending;
    pending.swap(mSafeDeleteList);
    for (DeferredDelete& d : pending)
        if (d.deleter) d.deleter();
}

}  // namespace Vant
