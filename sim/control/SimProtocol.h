/* sim/control/SimProtocol.h — the requests of the simulator's control device, shared by the
 * driver (kernel mode) and SimControl (user mode). Only plain 32-bit fields, so that both sides
 * lay the records out the same way whatever headers they build with. */
#ifndef KESTREL_SIM_PROTOCOL_H
#define KESTREL_SIM_PROTOCOL_H

/* Buffered-method codes of device type FILE_DEVICE_UNKNOWN, any access, private function
 * numbers far from the ones the program's device answers. */
#define SIM_CONTROL_CODE(function) ((0x22u << 16) | ((function) << 2))

#define SIM_IOCTL_GET_STATE SIM_CONTROL_CODE(0x900u) /* out: SimWireState */
#define SIM_IOCTL_SET_STATE SIM_CONTROL_CODE(0x901u) /* in: SimWireSet */
#define SIM_IOCTL_READ_LOG  SIM_CONTROL_CODE(0x902u) /* out: SimWireLogHeader + entries */
#define SIM_IOCTL_CLEAR_LOG SIM_CONTROL_CODE(0x903u) /* no buffers */
#define SIM_IOCTL_PRESS     SIM_CONTROL_CODE(0x904u) /* in: one word, the new level */
#define SIM_IOCTL_RESET     SIM_CONTROL_CODE(0x905u) /* no buffers */

/* The user-mode name of the control device; the kernel names sit in the driver. */
#define SIM_CONTROL_PATH "\\\\.\\KESTRELSIM.CTL"

/* Features the program's device answers. */
#define SIM_LCD  0x1u
#define SIM_CPU  0x2u
#define SIM_RING 0x4u

/* Field selection of a set request: the three feature bits select single features, the rest
 * whole fields, so that a partial set never rewrites what it was not asked to change. */
#define SIM_FIELD_LCD        SIM_LCD
#define SIM_FIELD_CPU        SIM_CPU
#define SIM_FIELD_RING       SIM_RING
#define SIM_FIELD_FEATURES   0x007u
#define SIM_FIELD_LCDCOUNT   0x008u
#define SIM_FIELD_CPUCOUNT   0x010u
#define SIM_FIELD_LCDLEVEL   0x020u
#define SIM_FIELD_LCDCHANGED 0x040u
#define SIM_FIELD_CPULEVEL   0x080u
#define SIM_FIELD_RINGVALUE  0x100u
#define SIM_FIELD_FAULTS     0x200u
#define SIM_FIELD_ALL        0x3FFu

/* Faults the program's device can be told to show, for the tests of a misbehaving driver. */
#define SIM_FAULT_FAIL       0x1u   /* every request of the program fails */
#define SIM_FAULT_CHANGED    0x2u   /* every level read reports bit 31, as if the keys never rested */
#define SIM_FAULT_READS      0x4u   /* every level read fails; the other requests answer */

/* The program's device keeps this many of its most recent requests. */
#define SIM_LOG_CAPACITY 4096u

typedef struct SimWireState {
    unsigned int features;   /* SIM_LCD | SIM_CPU | SIM_RING */
    unsigned int lcdCount;
    unsigned int cpuCount;
    unsigned int lcdLevel;
    unsigned int lcdChanged; /* 0 or 1 */
    unsigned int cpuLevel;
    unsigned int ringValue;
    unsigned int modes;      /* read only: bit 0 the APM name, bit 1 the ACPI interface */
    unsigned int logCount;   /* read only: entries held now */
    unsigned int logDropped; /* read only: entries overwritten since the last clear */
    unsigned int faults;     /* SIM_FAULT_* */
} SimWireState;

/* Only the fields named in mask change; see SIM_FIELD_* in SimControl.h. */
typedef struct SimWireSet {
    unsigned int mask;
    SimWireState state;
} SimWireSet;

typedef struct SimWireLogHeader {
    unsigned int count;      /* entries that follow, oldest first */
    unsigned int dropped;
} SimWireLogHeader;

typedef struct SimWireRequest {
    unsigned int code;
    unsigned int input;
} SimWireRequest;

#endif
