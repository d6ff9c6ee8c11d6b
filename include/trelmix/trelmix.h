/*
 * trelmix.h - the binary contract between a scanner host and Trelmix.
 *
 * A host loads the library, assigns a formatting script to each of its clients
 * (a 16-byte host id), and asks the library to run that script on every decoded
 * scan. Everything the host sees is here: the four exported functions (with
 * extensions: TRLM_ExecuteInto, TRLM_AssignScriptEx, and on POSIX
 * TRLM_SetPlatformHooks), the records
 * they exchange, and the keyboard emulator through which a keyboard script types.
 *
 * The header is plain C and usable from C99 and C++11 on (older modes stop with
 * an #error naming the minimum). On 32-bit Windows the sizes
 * and offsets below are pinned: they are the layout the host was built against.
 *
 * Calls must not overlap: the library takes no lock (one call at a time, from
 * any thread). No exception ever leaves an exported function. A host callback
 * (TypeCharacter, a platform hook) must not call into the library: such a
 * call is refused, and nothing the running call uses is changed or freed:
 *
 *   called from inside a callback           answers
 *   --------------------------------------  ----------------------------------------
 *   TRLM_AssignScript, TRLM_AssignScriptEx  0; the id keeps its script
 *   TRLM_Execute, TRLM_ExecuteInto          status TRLM_STATUS_NO_SCRIPT (-1), the
 *                                           caller's data and length, nothing run
 *   TRLM_SetTransmitObject,                 ignored: the running call keeps what it
 *   TRLM_SetPlatformHooks                   has
 *   TRLM_IsRegistered                       answers as usual
 *
 * A null pointer argument never crashes a call:
 *
 *   null argument                           answers
 *   --------------------------------------  ----------------------------------------
 *   id (every function taking one)          as for an id without a script: 0, or
 *                                           status -1 with the caller's length
 *   script (TRLM_AssignScript[Ex])          0; no id changes
 *   data (TRLM_Execute, TRLM_ExecuteInto)   with length 0: the empty record, run with
 *                                           no room (an edited record that is not
 *                                           empty: status -4, nothing copied). With
 *                                           a length: status -1, nothing run
 *   outcome (TRLM_AssignScriptEx)           assigns as TRLM_AssignScript does
 *   object (TRLM_SetTransmitObject)         nothing is typed or pressed from now on
 *   hooks (TRLM_SetPlatformHooks)           every default restored
 *   a member of TransmitObject, its         nothing is pressed or typed
 *   emulator or operations (see below)
 *   a member of PlatformHooks               that hook's default
 *
 * What Trelmix does where the behaviour is its own choice:
 *
 *   situation                               what Trelmix does
 *   --------------------------------------  ----------------------------------------
 *   out of memory while compiling or        TRLM_AssignScript returns 0; the id keeps
 *   registering a script (a new Script,     the script it had (or none). The load
 *   its rules, the registry's growth)       event may not be written.
 *   out of memory reading a script file,    TRLM_AssignScript returns 0; the id keeps
 *   or a file larger than 256 MiB           the script it had.
 *   out of memory for the working copy or   status TRLM_STATUS_OUT_OF_MEMORY (-3),
 *   an edit, or a record that would pass    nothing copied back; key strokes already
 *   64 MiB (a script doubling its record)   sent and ruleset switches already thrown
 *                                           by the run stay.
 *   the edited record is longer than the    TRLM_Execute writes it whole (the host
 *   caller's buffer                         sizes the buffer); TRLM_ExecuteInto
 *                                           copies nothing: TRLM_STATUS_TOO_LONG (-4).
 *   INSERT with the cursor past the end     inserts at the end.
 *   (after CRUNCH_SPACES)
 *   PAD_SPACES / PAD_ZEROS with a number    nothing changes, the cursor included.
 *   of 2^31 or more (a negative count)
 *   a script character above U+00FF in a   its low byte (U+20AC becomes 0xAC); write
 *   quoted argument                         &#xHH; for a byte of your choice.
 *   &#x..; with a non-hex digit             not an escape: the six bytes stay.
 *   scripts still registered at unload      released with the library.
 *   an empty quoted argument: SEND_UNTIL,   compiles; presses and types nothing.
 *   SEND_ALT, SEND_WIN, SEND_CTRL, SEND_NPAD,
 *   SEND_EXTN or SEND_ASCII with ''
 *   a SEND_EXTN name shorter than 3 bytes   matches no key: nothing is pressed.
 *   the one byte 0x12 (an Alt prefix        nothing is pressed or typed.
 *   without its key) reaching SEND_ALL,
 *   SEND_REM or SEND_UNTIL
 *   a TransmitObject whose emulator, its    nothing is pressed or typed.
 *   operations table or the table's
 *   TypeCharacter is null
 *   SEND_CTRL, SEND_WIN or SEND_ALT with a  nothing is pressed (no modifier alone,
 *   character no key of the layout types    no chord with key 255).
 */
#ifndef TRELMIX_H
#define TRELMIX_H

/* The library's version: the one place it is written (the build reads it
 * from here for the shared library's name and `trelmix --version`). */
#define TRLM_VERSION_MAJOR 0
#define TRLM_VERSION_MINOR 1
#define TRLM_VERSION_PATCH 0
#define TRLM_VERSION (TRLM_VERSION_MAJOR * 10000 + TRLM_VERSION_MINOR * 100 + TRLM_VERSION_PATCH)
#define TRLM_VERSION_TEXT_(a, b, c) #a "." #b "." #c
#define TRLM_VERSION_TEXT(a, b, c) TRLM_VERSION_TEXT_(a, b, c)
#define TRLM_VERSION_STRING TRLM_VERSION_TEXT(TRLM_VERSION_MAJOR, TRLM_VERSION_MINOR, TRLM_VERSION_PATCH)

#if defined(__cplusplus)
#if !defined(_MSC_VER) && __cplusplus < 201103L
#error "trelmix.h needs C++11 or later"
#endif
#elif !defined(_MSC_VER) && (!defined(__STDC_VERSION__) || __STDC_VERSION__ < 199901L)
#error "trelmix.h needs C99 or later"
#endif

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(TRELMIX_BUILDING)
#define TRLM_API __declspec(dllexport)
#elif defined(TRELMIX_STATIC) /* linked with the static library */
#define TRLM_API
#else
#define TRLM_API __declspec(dllimport)
#endif
#define TRLM_CDECL __cdecl
#else
#define TRLM_API __attribute__((visibility("default")))
#define TRLM_CDECL
#endif

/* TypeCharacter is a member function of the host's emulator: __thiscall on
 * 32-bit Windows (emulator in ECX, callee pops), the ordinary convention
 * everywhere else. GCC's -pedantic flags the attribute outside a class:
 * TRLM_EXTENSION before a declaration that uses TRLM_THISCALL keeps it quiet
 * (the header's own typedef has it; so may the host's TypeCharacter). */
#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#if defined(_MSC_VER)
#define TRLM_THISCALL __thiscall
#else
#define TRLM_THISCALL __attribute__((thiscall))
#endif
#else
#define TRLM_THISCALL
#endif
#if defined(__GNUC__)
#define TRLM_EXTENSION __extension__
#else
#define TRLM_EXTENSION
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One code unit of script text: UTF-16. wchar_t on Windows has the same
 * size; elsewhere C++'s char16_t, and in C the type <uchar.h> names char16_t. */
#if defined(_WIN32)
typedef wchar_t TrelmixChar;
#elif defined(__cplusplus)
typedef char16_t TrelmixChar;
#else
typedef uint_least16_t TrelmixChar;
#endif

/* A host id: 16 bytes in GUID layout, compared in all 16 bytes. */
typedef struct HostId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
} HostId;

/* The one id whose script drives the simulated HID keyboard:
 * {0CEFF236-780D-4A29-8601-EFB059938E12}. A script assigned under it compiles
 * in keyboard mode (the SEND_ keywords are recognised). */
static const HostId KeyboardClientId = {
    0x0CEFF236u, 0x780Du, 0x4A29u, {0x86, 0x01, 0xEF, 0xB0, 0x59, 0x93, 0x8E, 0x12}};

/* Status values of ExecuteResult.status. */
enum {
    TRLM_STATUS_APPLIED = 1,         /* ran to the end; edited record copied back.
                                        Also: the rule that applied has an empty
                                        action block (nothing copied back). */
    TRLM_STATUS_NO_ACTION_BLOCK = 0, /* reached a rule without an action block */
    TRLM_STATUS_NO_SCRIPT = -1,      /* the id has no script */
    TRLM_STATUS_EMPTY_RULE = -2,     /* reached a rule without criteria whose action
                                        block is empty, before any rule applied */
    TRLM_STATUS_OUT_OF_MEMORY = -3,  /* the working copy or an edit could not be
                                        allocated, or would pass the 64 MiB record
                                        limit; nothing copied back. Key strokes
                                        already sent by the run stay sent. */
    TRLM_STATUS_TOO_LONG = -4        /* TRLM_ExecuteInto only: the edited record is
                                        longer than the capacity; nothing copied
                                        back, length is the edited length */
};

/* What TRLM_Execute returns, by value (20 bytes on 32-bit builds: returned
 * through a hidden pointer that the caller passes and pops). */
typedef struct ExecuteResult {
    uint8_t* data;      /* always the caller's data address */
    uint32_t length;    /* the caller's length, or the edited length when copied back */
    int32_t status;     /* TRLM_STATUS_* */
    uint32_t reserved1; /* always 0 */
    uint32_t reserved2; /* always 0 */
} ExecuteResult;

/* One platform input record, laid out as the Windows INPUT structure of the
 * same bitness (28 bytes on 32-bit, 40 on 64-bit). The library writes only
 * keyboard records: type 1, virtual key, scan code, flags 0 (down) or 2 (up). */
typedef struct KeyboardInputRecord {
    uint16_t virtualKey;
    uint16_t scanCode;
    uint32_t flags;
    uint32_t time;
    uintptr_t extraInfo;
} KeyboardInputRecord;

typedef struct MouseInputRecord {
    int32_t dx;
    int32_t dy;
    uint32_t mouseData;
    uint32_t flags;
    uint32_t time;
    uintptr_t extraInfo;
} MouseInputRecord;

typedef struct InputRecord {
    uint32_t type; /* 1: keyboard */
    union {
        MouseInputRecord mouse; /* the largest member: sets the record's size */
        KeyboardInputRecord keyboard;
    } u;
} InputRecord;

enum { TRLM_INPUT_KEYBOARD = 1, TRLM_KEY_UP = 2, TRLM_EMULATOR_RECORDS = 20 };

struct KeyboardEmulator;

/* The host's TypeCharacter: types one UTF-16 unit (zero-extended). The
 * library passes the TransmitObject's typingContext unchanged and ignores the
 * result. */
TRLM_EXTENSION typedef int32_t(TRLM_THISCALL* TypeCharacterFn)(struct KeyboardEmulator* self, uint32_t character,
                                                               uint32_t typingContext);

/* The emulator's table of operations. The library calls only the second entry. */
typedef struct KeyboardEmulatorOperations {
    void* reserved0;
    TypeCharacterFn TypeCharacter;
} KeyboardEmulatorOperations;

/* Owned by the host. The library rewrites `records` for every key press or
 * chord, injects them in one call, then sleeps delayMs. */
typedef struct KeyboardEmulator {
    const KeyboardEmulatorOperations* operations;
    InputRecord records[TRLM_EMULATOR_RECORDS];
    uint32_t delayMs;     /* pause after each injection; 0: none */
    uint32_t keyCodeMode; /* 0 virtual key only, 1 scan code only, 2 both */
} KeyboardEmulator;

/* Owned by the host; the library only keeps the pointer. */
typedef struct TransmitObject {
    KeyboardEmulator* emulator;
    uint32_t textEncoding;  /* 1 or 3: Windows-1252; else the system ANSI code page */
    uint32_t typingContext; /* passed to every TypeCharacter call */
} TransmitObject;

/* Assigns a script to the id. `script` is a NUL-terminated, writable string:
 * the path of an existing file or directory (the file is read byte for byte),
 * or else the script text itself, whose entities &quot; &amp; &apos; &lt; &gt;
 * are undone in place in the caller's buffer. The empty string unregisters the
 * id. Returns nonzero when the script compiled and was registered (or, for the
 * empty string, when a script was removed). A script that fails to compile
 * leaves the id with no script; a path that cannot be read leaves the id as it
 * was. Out of memory: returns 0 and leaves the id as it was. */
TRLM_API uint8_t TRLM_CDECL TRLM_AssignScript(const HostId* id, TrelmixChar* script);

/* Nonzero when the id has a script. */
TRLM_API uint8_t TRLM_CDECL TRLM_IsRegistered(const HostId* id);

/* Runs the id's script on the record in data[0..length). When the run ends
 * normally the edited record is copied back into `data` (it may be longer than
 * `length`: the buffer must hold the longest record the script can produce;
 * see TRLM_ExecuteInto for a guarded form). */
TRLM_API ExecuteResult TRLM_CDECL TRLM_Execute(const HostId* id, uint8_t* data, uint32_t length, uint32_t codeType,
                                               uint32_t protocol);

/* TRLM_Execute that never writes more than `capacity` bytes into `data`
 * (capacity below `length` is taken as `length`). When the edited record would
 * not fit, nothing is copied back: status TRLM_STATUS_TOO_LONG and `length`
 * the edited record's length. Do not retry with a larger buffer: the refused
 * run has already typed its keys and thrown its ruleset switches, so a second
 * call is a second, different run. Size the buffer up front for the longest
 * record the script can produce. */
TRLM_API ExecuteResult TRLM_CDECL TRLM_ExecuteInto(const HostId* id, uint8_t* data, uint32_t length, uint32_t capacity,
                                                   uint32_t codeType, uint32_t protocol);

/* What TRLM_AssignScriptEx tells about an assignment. The caller sets `size`
 * to sizeof(AssignOutcome) and owns the struct; the library writes only the
 * members that lie within `size` bytes, so a host built against this header
 * keeps working when later versions add members at the end. */
typedef struct AssignOutcome {
    uint32_t size;     /* set by the caller */
    uint32_t compiled; /* 1: compiled and registered (or, for the empty string,
                          a script was removed); 0: not */
    uint32_t line;     /* where compiling stopped, counted from 1; 0 when the
                          script compiled or was never compiled (unread file) */
    uint32_t column;   /* counted from 1, in code units of the script as read
                          (bytes of a file); 0 with line 0 */
    char message[256]; /* UTF-8, NUL-terminated, cut at 255 bytes: why it was
                          refused, as `trelmix check` words it; "" on success */
} AssignOutcome;

/* Flags of TRLM_AssignScriptEx. */
enum {
    TRLM_ASSIGN_REQUIRE_FILE = 1 /* `script` must name an existing file: a path
                                    that names nothing (or a directory) is refused
                                    and the id keeps its script, instead of being
                                    compiled as inline text */
};

/* TRLM_AssignScript that says why: the same assignment (script, entities, the
 * empty string, what a failure leaves), with `flags` (TRLM_ASSIGN_*; unknown
 * bits refuse the call) and the outcome written into `outcome` when it is not
 * null. Returns what TRLM_AssignScript would. */
TRLM_API uint8_t TRLM_CDECL TRLM_AssignScriptEx(const HostId* id, TrelmixChar* script, uint32_t flags,
                                                AssignOutcome* outcome);

/* Stores the host's TransmitObject (or null: nothing is typed or pressed). */
TRLM_API void TRLM_CDECL TRLM_SetTransmitObject(TransmitObject* object);

#if !defined(_WIN32)
/* POSIX only. A host here has no SendInput: it stands in for the operating
 * system's input through these hooks. Every member may be null, which keeps
 * its default: records dropped, Caps Lock off, events to syslog at level
 * LOG_INFO as "TRELMIX: message" (the message without its leading blank
 * lines), through the host's own syslog settings (the library never calls
 * openlog or closelog). The library copies the struct; `context` is handed back
 * unchanged to every hook. Hooks run on the thread of the call that uses them
 * (TRLM_Execute for input, TRLM_AssignScript for events). */
typedef struct PlatformHooks {
    /* Receives each injection: the records of one key press or chord, in
     * order (valid only during the call). */
    void (*inputSink)(void* context, const InputRecord* records, uint32_t count);
    /* Nonzero while Caps Lock is toggled on. */
    int (*capsLockQuery)(void* context);
    /* Receives each event (source and message, NUL-terminated UTF-16). */
    void (*eventSink)(void* context, const TrelmixChar* source, const TrelmixChar* message);
    void* context;
} PlatformHooks;

/* Installs the host's hooks (copied); null restores every default. */
TRLM_API void TRLM_CDECL TRLM_SetPlatformHooks(const PlatformHooks* hooks);
#endif

#ifdef __cplusplus
} /* extern "C" */
#endif

/* Layout checks: the 32-bit host was built against exactly these. C before
 * C11 has no _Static_assert: an array of negative size stops the build. */
#define TRLM_JOIN_(a, b) a##b
#define TRLM_JOIN(a, b) TRLM_JOIN_(a, b)
#if defined(__cplusplus)
#define TRLM_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define TRLM_STATIC_ASSERT(c, m) typedef char TRLM_JOIN(TrelmixLayoutCheck, __LINE__)[(c) ? 1 : -1]
#endif
#if UINTPTR_MAX == 0xFFFFFFFFu
TRLM_STATIC_ASSERT(sizeof(HostId) == 16, "HostId is 16 bytes");
TRLM_STATIC_ASSERT(sizeof(ExecuteResult) == 20, "ExecuteResult is 20 bytes");
TRLM_STATIC_ASSERT(offsetof(ExecuteResult, length) == 4, "ExecuteResult.length at 4");
TRLM_STATIC_ASSERT(offsetof(ExecuteResult, status) == 8, "ExecuteResult.status at 8");
TRLM_STATIC_ASSERT(offsetof(ExecuteResult, reserved2) == 16, "ExecuteResult.reserved2 at 16");
TRLM_STATIC_ASSERT(sizeof(InputRecord) == 28, "an input record is 28 bytes");
TRLM_STATIC_ASSERT(offsetof(InputRecord, u) == 4, "input union at 4");
TRLM_STATIC_ASSERT(offsetof(KeyboardInputRecord, flags) == 4, "key flags at 4");
TRLM_STATIC_ASSERT(offsetof(KeyboardInputRecord, extraInfo) == 12, "key extra info at 12");
TRLM_STATIC_ASSERT(sizeof(KeyboardEmulator) == 572, "KeyboardEmulator is 572 bytes");
TRLM_STATIC_ASSERT(offsetof(KeyboardEmulator, records) == 4, "records at 4");
TRLM_STATIC_ASSERT(offsetof(KeyboardEmulator, delayMs) == 564, "delayMs at 564");
TRLM_STATIC_ASSERT(offsetof(KeyboardEmulator, keyCodeMode) == 568, "keyCodeMode at 568");
TRLM_STATIC_ASSERT(sizeof(TransmitObject) == 12, "TransmitObject is 12 bytes");
TRLM_STATIC_ASSERT(offsetof(TransmitObject, typingContext) == 8, "typingContext at 8");
TRLM_STATIC_ASSERT(sizeof(KeyboardEmulatorOperations) == 8, "operations table entries");
TRLM_STATIC_ASSERT(sizeof(AssignOutcome) == 272, "AssignOutcome is 272 bytes");
#else
TRLM_STATIC_ASSERT(sizeof(InputRecord) == 40, "an input record is 40 bytes on 64-bit");
#endif

#endif /* TRELMIX_H */
