#include <gtest/gtest.h>
#include "shell_harness.h"
#include "shell/ShellItem.h"
#include "shell/ShellFolder.h"
#include "shell/ComRef.h"
#include "shell/ItemInfo.h"
#include <cstdio>

TEST(ShellExplore, Failures) {
    ShellSession session;
    ZFolder dir;
    dir.makeFolder("gone");
    dir.makeFile("f.txt");
    dir.makeFile("c.txt"); dir.makeFile("b.txt"); dir.makeFile("a.txt");
    IdListHolder gone(parsePath(dir.path("gone")));
    IdListHolder file(parsePath(dir.path("f.txt")));
    RemoveDirectoryA(dir.path("gone").c_str());
    ComRef<IShellFolder> g(folderOf(gone.get()));
    printf("bind gone %p\n", (void*)g.get());
    if (g) { ComRef<IEnumIDList> e; HRESULT hr = g->EnumObjects(nullptr, 0x60, e.put()); printf("enum hr %lx %p\n", hr, (void*)e.get());
      if (e) { LPITEMIDLIST x=nullptr; ULONG n=0; hr = e->Next(1,&x,&n); printf("next %lx %lu\n", hr, n);} }
    ComRef<IShellFolder> f(folderOf(file.get()));
    printf("bind file %p\n", (void*)f.get());
    IdListHolder dirList(parsePath(dir.path()));
    int a=0,b=0;
    systemIconIndex(dirList.get(), SHGFI_LINKOVERLAY|SHGFI_SMALLICON, a);
    systemIconIndex(dirList.get(), SHGFI_OPENICON|SHGFI_SMALLICON, b);
    printf("icons %d %d\n", a, b);
    BrowserWindow w;
    w.list.showFolder(dirList.get());
    for (auto& n : w.rowNames()) printf(" row %s\n", n.c_str());
    ShowWindow(w.parent, SW_SHOW);
    SetFocus(w.listControl);
    printf("focus ok %d\n", GetFocus() == w.listControl);
    w.selectRow(w.rowOf("f.txt"));
    w.onMenuIdle = [&](HMENU menu) {
        printf("menu %p handler %p\n", (void*)menu, (void*)w.contextMenuHandler);
        int n = GetMenuItemCount(menu);
        for (int i = 0; i < n; ++i) { char t[100]=""; GetMenuStringA(menu, i, t, 100, MF_BYPOSITION); printf("  %d id %u '%s'\n", i, GetMenuItemID(menu, i), t); }
        EndMenu();
    };
    w.rightClick(100, 100);
    printf("after: handler %p forwarded %zu\n", (void*)w.contextMenuHandler, w.forwardedMenuMessages.size());
}
