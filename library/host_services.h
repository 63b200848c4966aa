/* Host services: how a host gives the module its file dialogs and message
 * boxes.
 *
 * The module shows an open dialog, a save dialog and message boxes when the
 * host asks its preset saver (IPresetSaver) to load or save a preset file. A
 * host on this platform supplies them by calling the module's export
 *
 *     uint8_t SVTumblersSetHostServices(const SVTHostServices* services);
 *
 * once, before it uses a preset saver, typically right after loading the
 * module. The module copies the record; the host need not keep it. Passing
 * null removes the services again. The export returns 1 when the record was
 * taken and 0 when it was refused (its `size` is smaller than the record this
 * header describes). Any callback may be null.
 *
 * Without services (or with a null callback) every dialog answers
 * "cancelled", so loading and saving do nothing and return 0, and message
 * boxes are written to standard error as "title: text".
 *
 * Threads: the callbacks run on the thread that called the preset saver (the
 * host's user-interface thread) and must return only when the user has
 * answered. They must not call back into the preset saver.
 *
 * Text: all strings are zero-terminated UTF-16. A filter is a sequence of
 * pairs "label", "pattern", each zero-terminated, ended by an extra zero:
 * "Preset Files (*.fxptmba)\0*.fxptmba\0\0".
 *
 * This header is plain C so that hosts in any language can use it.
 */
#ifndef SVT_HOST_SERVICES_H
#define SVT_HOST_SERVICES_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Flags of the file dialogs. */
#define SVT_DIALOG_MUST_EXIST 0x1u       /* open: the chosen file and its folder must exist */
#define SVT_DIALOG_OVERWRITE_PROMPT 0x2u /* save: ask before replacing an existing file */

/* Icon flags of message boxes (the only bits the module sets). */
#define SVT_ICON_ERROR 0x10u
#define SVT_ICON_QUESTION 0x20u
#define SVT_ICON_EXCLAMATION 0x30u
#define SVT_ICON_INFORMATION 0x40u

/* A file dialog, open or save.
 *   context          the record's `context`, passed back unchanged
 *   owner            the host's window handle as the host passed it to the
 *                    preset saver (may be null)
 *   title            the dialog's title
 *   filter           label/pattern pairs, see above
 *   defaultExtension the extension without dot, to add when the user types
 *                    a name without one ("fxptmba")
 *   path             out: the chosen full path, zero-terminated
 *   capacity         characters `path` can hold, with the terminator (1024)
 *   flags            SVT_DIALOG_* bits
 * Returns 1 when a file was chosen and written to `path`, 0 when the user
 * cancelled. The module terminates `path` at capacity - 1 whatever happens. */
typedef int32_t (*SVTFileDialogFn)(void* context, void* owner, const char16_t* title, const char16_t* filter,
                                   const char16_t* defaultExtension, char16_t* path, uint32_t capacity,
                                   uint32_t flags);

/* A modal message box with an OK button.
 *   title, text  the caption and the message (may contain '\n')
 *   flags        SVT_ICON_* */
typedef void (*SVTMessageBoxFn)(void* context, const char16_t* title, const char16_t* text, uint32_t flags);

typedef struct SVTHostServices {
    uint32_t size;             /* sizeof(SVTHostServices), for later growth */
    uint32_t reserved;         /* zero */
    void* context;             /* handed back to every callback */
    SVTFileDialogFn openFile;  /* flags: SVT_DIALOG_MUST_EXIST */
    SVTFileDialogFn saveFile;  /* flags: SVT_DIALOG_OVERWRITE_PROMPT */
    SVTMessageBoxFn messageBox;
} SVTHostServices;

typedef uint8_t (*SVTumblersSetHostServicesFn)(const SVTHostServices* services);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* SVT_HOST_SERVICES_H */
