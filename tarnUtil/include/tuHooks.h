// Hooks: numbered extension points (ids 13000 to 14999) with chains of hook functions,
// called newest first down to the id's default function, also inside the user-input thread.
// Threads: any; no lock is held while a hook runs; hookCallFirstInUI runs it in the UI thread.
#pragma once

#include "tuExport.h"

#include <windows.h>

// The registry's own id: hooks on it see every set and remove request of the process
// (their parameter points to a HOOKREQUEST); its default function carries the requests out.
#define HOOKID_REGISTRY 13000u
// First and last id of the managed range; ids from HOOKID_NAMED_FIRST are handed out by name.
#define HOOKID_FIRST 13000u
#define HOOKID_LAST 14999u
#define HOOKID_NAMED_FIRST 14500u

// Call-form flag: the function takes the parameter alone. Without it a function takes
// (parameter, hook handle, data): the handle under which it was reached and the hook's data.
#define HOOKF_PARAMONLY 1u

// Commands of a HOOKREQUEST: set a hook, or remove one.
#define HOOKCMD_SET 1u
#define HOOKCMD_REMOVE 2u

// The two call forms of hook and default functions, with the standard callback convention.
typedef unsigned long(CALLBACK* HOOKFUNC_PARAMONLY)(void* parameter);
typedef unsigned long(CALLBACK* HOOKFUNC)(void* parameter, unsigned long hook, long data);

// A set or remove request as hooks on HOOKID_REGISTRY receive it; they may change it.
struct HOOKREQUEST {
    unsigned long nCommand;      // HOOKCMD_SET or HOOKCMD_REMOVE
    unsigned long nID;           // the id to set a hook on, or the id of the handle to remove
    unsigned long hEntry;        // remove: the entry handle (low 16 bits of the hook handle)
    void* pfnHook;               // set: the hook function
    unsigned long nFlags;        // set: the hook's call-form flags
    long nData;                  // set: the hook's data
    unsigned long nReserved[20]; // zero; kept for requests of later versions
};

// Maps the name to the lowest id from 14500 to 14999 that no name maps to, and returns it;
// 0 when all 500 are taken. A name mapped before moves to the new id; its old id becomes free.
// Names are matched exactly (case matters). 0 also when memory for the name runs out.
TARNUTIL_API unsigned WINAPI hookCreateID(const wchar_t* name);
// The id the name maps to, or 0.
TARNUTIL_API unsigned WINAPI hookFindID(const wchar_t* name);
// Unmaps the name: 1 when it was mapped, else 0. The id's hooks stay where they are.
TARNUTIL_API int WINAPI hookDeleteID(const wchar_t* name);
// 1 for the managed ids 13000 to 14999, else 0.
TARNUTIL_API int WINAPI hookIsCommonID(unsigned id);

// Puts a hook in front of the id's chain through the registry's own chain. Returns the hook
// handle (id in the high 16 bits, entry in the low 16 bits), or 0 when refused or when the
// process's hook storage is full (the out-of-memory box is shown then).
TARNUTIL_API unsigned long WINAPI hookSet(unsigned id, void* function, unsigned long flags,
                                          long data);
// Takes the hook out of its chain through the registry's own chain and returns what that chain
// answers: 1 when removed, else 0. A handle names its entry: the registry removes the hook set
// in it now, whatever id the request carries, but the newest hook of a chain only with a nonzero
// id (and it then leaves the chain of the id it was set on). A handle removed before, never
// set, or rewritten by a registry hook to an entry out of range removes nothing (0). Once the
// removed entry is given to a new hook of any id, the old handle names that new hook.
// The hook leaves its chain at once: no call that begins afterwards runs it. Its storage
// serves again only once every chain call that was running at the removal has returned, so a
// call standing on the hook (the hook itself, or another thread's walk) still hands on down
// the chain from there. A call that runs long (a hook showing a modal box) keeps the hooks
// removed meanwhile, and storage can run out if a program keeps setting and removing hooks then.
TARNUTIL_API int WINAPI hookRemove(unsigned long hook);
// Sets the id's default function, called at the end of its chain: 1 on success; 0 for an id
// outside the range or when memory runs out (the out-of-memory box is shown then).
TARNUTIL_API int WINAPI hookSetDefault(unsigned id, void* function, unsigned long flags);
// The handle of the id's newest hook, or 0. Out (each may be null): the default function
// (null first of all), the flags the id was created with while it has hooks or its default
// flags without, and the default's data (0).
TARNUTIL_API unsigned long WINAPI hookGetFirst(unsigned id, void** function, unsigned long* flags,
                                               long* data);
// Forgets the id's record: 1 when there was one. Its hooks stay callable by their handles.
TARNUTIL_API int WINAPI hookExit(unsigned id);

// Calls the id's newest hook, or its default when it has none; the function's result, or 0
// when there is nothing to call. No lock is held while a function runs.
TARNUTIL_API unsigned long WINAPI hookCallFirst(unsigned id, void* parameter);
// Calls the hook after the one named by the handle, or the default at the chain's end; 0 when
// there is nothing to call. The id in the handle is not examined. A hook that removed itself,
// or was removed by another thread, while a call ran it, still hands that call on: the call
// goes on with the next hook that is still set, down to the default, and runs no hook twice.
// Once the calls that ran it have returned, a removed hook's handle names nothing.
TARNUTIL_API unsigned long WINAPI hookCallNext(unsigned long hook, void* parameter);
// Calls the one hook named by the handle, for a handle carrying any managed id; 0 when there is
// none (a removed hook included).
TARNUTIL_API unsigned long WINAPI hookCallThisOne(unsigned long hook, void* parameter);
// hookCallFirst run in the user-input thread; from another thread it waits without limit
// for that thread to run the chain, and returns 0 when it did not run (also when memory for
// the call runs out). A worker may make the process's first cross-thread call this way.
TARNUTIL_API unsigned long WINAPI hookCallFirstInUI(unsigned id, void* parameter);
