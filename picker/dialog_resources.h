/* Identifiers of the dialog templates and their list boxes, shared by the resource script and
 * the window code. Plain macros: the resource compiler reads this file too. */
#ifndef VEMO_PICKER_DIALOG_RESOURCES_H
#define VEMO_PICKER_DIALOG_RESOURCES_H

/* The selection dialog: the user's certificate for C_VEMO_GetUserCert, from "MY" and
 * "AddressBook". */
#define VEMO_IDD_SELECTION 1000
#define VEMO_IDC_SELECTION_LIST 1000

/* The encryption certificate dialog: part of the resources, opened by no code. */
#define VEMO_IDD_ENCRYPTION 1001
#define VEMO_IDC_ENCRYPTION_LIST 1002

/* The signing dialog: the certificate whose key C_VEMO_SignEx signs with, from "MY". */
#define VEMO_IDD_SIGNING 1002
#define VEMO_IDC_SIGNING_LIST 1001

#endif
