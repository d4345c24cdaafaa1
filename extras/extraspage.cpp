// The extras page: the two recommendation mails and the maker's freeware page.
#include "extras/extraspage.h"

#include "base/language.h"
#include "base/widetext.h"
#include "extras/mail.h"
#include "res/resource.h"

void OnExtrasPageInit(HWND page)
{
    SetProgramText(GetDlgItem(page, IDC_RECOMMEND),
                   ByLanguage("Recommend Kavonix", "Programm empfehlen"));
    SetProgramText(GetDlgItem(page, IDC_SEND_PROGRAM),
                   ByLanguage("Send Kavonix by e-mail", "Programm per E-mail verschicken"));
    SetProgramText(GetDlgItem(page, IDC_MORE_FREEWARE),
                   ByLanguage("I'w more Freeware", "Ich will mehr Freeware"));
}

INT_PTR OnExtrasCommand(HWND owner, int id)
{
    switch (id) {
    case IDC_RECOMMEND:
        RecommendByMail(owner);
        return TRUE;
    case IDC_SEND_PROGRAM:
        SendProgramByMail(owner);
        return TRUE;
    case IDC_MORE_FREEWARE:
        OpenFreewarePage();
        return TRUE;
    }
    return FALSE;
}
