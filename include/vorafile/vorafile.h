/*
 * vorafile: the file library of the player.
 *
 * The host drives the library through one function, SendVoraFileMsg, by
 * message number. Every message but VORA_MSG_CREATE answers 0 while no file
 * manager exists; message numbers that are not listed here answer 0 and do
 * nothing. Unless a message says otherwise, 1 means success and 0 failure.
 *
 * On 32-bit Windows every argument and the result are 32-bit values and a
 * pointer travels as an argument. The same header serves 64-bit builds, where
 * arguments are pointer-sized.
 */
#ifndef VORAFILE_VORAFILE_H
#define VORAFILE_VORAFILE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Calling convention: __cdecl unless the library was built with the stdcall
 * option; a host of that build defines VORAFILE_STDCALL before including this
 * header. The exported name is undecorated in both cases. */
#if defined(_WIN32) && !defined(_WIN64)
#if defined(VORAFILE_STDCALL)
#define VORAFILE_CALL __stdcall
#else
#define VORAFILE_CALL __cdecl
#endif
#else
#define VORAFILE_CALL
#endif

#if defined(VORAFILE_BUILDING)
#if defined(_WIN32)
#define VORAFILE_API __declspec(dllexport)
#else
#define VORAFILE_API __attribute__((visibility("default")))
#endif
#elif defined(_WIN32)
#define VORAFILE_API __declspec(dllimport)
#else
#define VORAFILE_API
#endif

/* ---- Messages (msg argument) -------------------------------------------- */
/* clang-format off */

/* Lifetime of the file manager. */
#define VORA_MSG_CREATE 1000u   /* create the file manager; 1 created, 0 exists */
#define VORA_MSG_DESTROY 1001u  /* close the package, destroy the manager; 1 */
#define VORA_MSG_NOTHING 1004u  /* does nothing; always 1 */

/* Packages. p1: path of the package file. */
#define VORA_MSG_OPEN_PACKAGE 1002u
#define VORA_MSG_SAVE_PACKAGE 1003u     /* write the scene script, then pack p1 */
#define VORA_MSG_SAVE_PACKAGE_AS 1025u  /* same as 1003 */
#define VORA_MSG_WRITE_SCRIPT 1012u     /* write the scene script only */

/* One parameter. id = node id; type, ordinal = node type code and the
 * node's ordinal among the nodes of that type; path = NodePath. */
#define VORA_MSG_READ_PARAM_BY_PATH 1006u      /* p1 path, p2 ParamQuery */
#define VORA_MSG_WRITE_PARAM_BY_ID 1007u       /* p1 id, p2 ParamQuery */
#define VORA_MSG_READ_PARAM_BY_ID 1017u        /* p1 id, p2 ParamQuery */
#define VORA_MSG_WRITE_PARAM_BY_ID_2 1018u     /* same as 1007 */
#define VORA_MSG_WRITE_PARAM_BY_TYPE 1019u     /* p1 type, p2 ordinal, p3 query */
#define VORA_MSG_READ_PARAM_BY_TYPE 1020u      /* p1 type, p2 ordinal, p3 query */
#define VORA_MSG_WRITE_PARAM_BY_ID_PATH 1022u  /* p1 id, p2 path, p3 query */
#define VORA_MSG_READ_PARAM_BY_ID_PATH 1023u   /* p1 id, p2 path, p3 query */
#define VORA_MSG_REMOVE_PARAM 1024u            /* p1 id, p2 parameter id,
                                                  p3 entry of an indexed one */

/* All parameters of a node, through NodeInfoBlock and the shared block. */
#define VORA_MSG_FILL_INFO_BY_TYPE 1008u       /* p1 type, p2 ordinal, p3 block */
#define VORA_MSG_FILL_INFO_BY_PATH 1009u       /* p1 path, p2 block */
#define VORA_MSG_FILL_INFO_BY_ID 1010u         /* p1 id, p2 block */
#define VORA_MSG_FILL_INFO_BY_TYPE_2 1021u     /* same as 1008 */
#define VORA_MSG_RELEASE_INFO 1011u            /* p1 block: release all; 1 */
#define VORA_MSG_RELEASE_INFO_ENTRIES 1016u    /* p1 block: entries only; 1 */

/* Existence tests: 1 if the node is found, else 0. */
#define VORA_MSG_NODE_EXISTS_BY_TYPE 1013u     /* p1 type, p2 ordinal */
#define VORA_MSG_NODE_EXISTS_BY_PATH 1014u     /* p1 path */
#define VORA_MSG_NODE_EXISTS_BY_ID 1015u       /* p1 id */

/* Add a pod or orb. p1: low 16 bits kind of the new node, high 16 bits type
 * of the receiving node; p2 new node's name; p3 source folder (ends with a
 * separator); p4 receiving node's name. Answers a VORA_ADD_* status. */
#define VORA_MSG_ADD_CONFIG_NODE 1030u
#define VORA_ADD_OK 0u
#define VORA_ADD_REFUSED_ROOT 1u
#define VORA_ADD_NOT_MADE 2u
#define VORA_ADD_NO_RECEIVER 3u

/* Pictures. Limits point at two 32-bit values: width, height. Out pointers
 * of 2001, 2004 and 2005 are always stored, 0 when the message failed. */
#define VORA_MSG_LOAD_CODEC 2000u     /* load the codec library */
#define VORA_MSG_DECODE_IMAGE 2001u   /* p1 path; out p2 header, p3 pixels */
#define VORA_MSG_CONVERT_IMAGE 2002u  /* p1 path, p2 limits, p3 out 260 chars */
#define VORA_MSG_FREE_IMAGE 2003u     /* always 1 */
#define VORA_MSG_DECODE_FIT 2004u     /* p1 path, p2 limits; out p3, p4 */
#define VORA_MSG_DECODE_RESIZE 2005u  /* p1 path, p2 size; out p3, p4 */

/* ---- Value type codes (ParamQuery.valueType) ---------------------------- */

#define VORA_VALUE_BYTE 0         /* 1 byte */
#define VORA_VALUE_INT 1          /* int32 */
#define VORA_VALUE_UINT 2         /* uint32 */
#define VORA_VALUE_DOUBLE 3       /* 8-byte double */
#define VORA_VALUE_FLOAT 4        /* 4-byte float */
#define VORA_VALUE_BLOCK 5        /* opaque block */
#define VORA_VALUE_INT_QUAD 6     /* four int32 */
#define VORA_VALUE_COLOR 7        /* four floats 0..1: r, g, b, a */
#define VORA_VALUE_STRING 8       /* text with its terminating zero */
#define VORA_VALUE_VECTOR 10      /* vector of floats */
#define VORA_VALUE_FLOAT_QUAD 11  /* four floats */

/* ---- Node type codes (NodePath steps, type arguments) ------------------- */

#define VORA_NODE_AUDIO_ANALYSIS 1
#define VORA_NODE_CAMERA 2
#define VORA_NODE_DEF_REF 5
#define VORA_NODE_FILTER_BAND 6
#define VORA_NODE_INTRO 7
#define VORA_NODE_LIGHTING 9
#define VORA_NODE_DEF_FILE 10
#define VORA_NODE_MESSAGE_DATA 11
#define VORA_NODE_OBJECT 12
#define VORA_NODE_DEF_PRESET 13
#define VORA_NODE_SCENE_ROOT 14
#define VORA_NODE_MESSAGE 15
#define VORA_NODE_LENS_EFFECTS 16
#define VORA_NODE_HYPER_PRESET_ENTRY 17
#define VORA_NODE_LENS_PRESET 18
#define VORA_NODE_LENS_PRESET_FILE 19
#define VORA_NODE_TRANSITION_EFFECT 20
#define VORA_NODE_TRANSITION_PRESET_FILE 21
#define VORA_NODE_TRANSITION_PRESET 22
#define VORA_NODE_OBJECT_CONFIG 23  /* also the kind "pod" of message 1030 */
#define VORA_NODE_MARQUEE 24
#define VORA_NODE_MACRO_EFFECT 25
#define VORA_NODE_MACRO_FILE 26
#define VORA_NODE_MACRO_ENTRY 27
#define VORA_NODE_ORB 28            /* extra table rows of orb configurations */
#define VORA_NODE_ORB_2 29
#define VORA_NODE_END 30            /* ends a NodePath; never a node */

/* clang-format on */

/* ---- Records ------------------------------------------------------------ */

#define VORA_PARAM_TEXT_SIZE 260
#define VORA_SHARED_BLOCK_NAME "voramemfilemap"
#define VORA_SHARED_BLOCK_SIZE 16384

/* One parameter; the caller owns it.
 * Read: set id, extra (-1 for the parameter itself), data and size (the
 * capacity of data in bytes). The library fills text (the parameter's name),
 * valueType and size (the value's size; for VORA_VALUE_STRING the length plus
 * the terminating zero). A buffer that is too small, or a null data, fails
 * and still reports the needed size.
 * Write: set id, extra, valueType, size and data (the new value). */
typedef struct ParamQuery {
  uint32_t id;
  char text[VORA_PARAM_TEXT_SIZE];
  uint32_t valueType;
  uint32_t size;
  void *data;
  int32_t extra;
} ParamQuery;

/* All parameters of one node. The caller owns the record and sets
 * recordSize = sizeof(NodeInfoBlock) (24 on 32-bit Windows); the library owns
 * what it points to until VORA_MSG_RELEASE_INFO. The values are packed one
 * after another, unpadded, into the shared block "voramemfilemap"; each entry's
 * data points at its value there. */
typedef struct NodeInfoBlock {
  uint32_t recordSize;
  uint32_t count;      /* entries in the array */
  ParamQuery *entries; /* count records */
  uintptr_t mapping;   /* handle of the shared mapping, or 0 */
  void *view;          /* address of the shared block, or 0 */
  uint32_t used;       /* bytes of the shared block in use */
} NodeInfoBlock;

/* One step of a NodePath: from the current node to its ordinal-th child
 * (counting from 0) of that type. A path is an array of steps ended by a step
 * of type VORA_NODE_END. */
typedef struct NodePath {
  int32_t type;
  int32_t ordinal;
} NodePath;

/* ---- Entry point -------------------------------------------------------- */

VORAFILE_API uint32_t VORAFILE_CALL SendVoraFileMsg(uint32_t msg, uintptr_t p1,
                                                    uintptr_t p2, uintptr_t p3,
                                                    uintptr_t p4);

#ifdef __cplusplus
} /* extern "C" */
#endif

#if defined(__cplusplus) && __cplusplus >= 201103L
#define VORAFILE_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VORAFILE_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
#define VORAFILE_STATIC_ASSERT(cond, msg)
#endif

/* The host records' layout on 32-bit targets is the player's ABI. */
#if UINTPTR_MAX == 0xFFFFFFFFu
VORAFILE_STATIC_ASSERT(sizeof(ParamQuery) == 280, "ParamQuery is 280 bytes");
VORAFILE_STATIC_ASSERT(offsetof(ParamQuery, text) == 4, "ParamQuery.text");
VORAFILE_STATIC_ASSERT(offsetof(ParamQuery, valueType) == 264, "valueType");
VORAFILE_STATIC_ASSERT(offsetof(ParamQuery, size) == 268, "ParamQuery.size");
VORAFILE_STATIC_ASSERT(offsetof(ParamQuery, data) == 272, "ParamQuery.data");
VORAFILE_STATIC_ASSERT(offsetof(ParamQuery, extra) == 276, "ParamQuery.extra");
VORAFILE_STATIC_ASSERT(sizeof(NodeInfoBlock) == 24, "NodeInfoBlock is 24");
VORAFILE_STATIC_ASSERT(offsetof(NodeInfoBlock, count) == 4, "count");
VORAFILE_STATIC_ASSERT(offsetof(NodeInfoBlock, entries) == 8, "entries");
VORAFILE_STATIC_ASSERT(offsetof(NodeInfoBlock, mapping) == 12, "mapping");
VORAFILE_STATIC_ASSERT(offsetof(NodeInfoBlock, view) == 16, "view");
VORAFILE_STATIC_ASSERT(offsetof(NodeInfoBlock, used) == 20, "used");
#endif
VORAFILE_STATIC_ASSERT(sizeof(NodePath) == 8, "NodePath step is 8 bytes");

#endif /* VORAFILE_VORAFILE_H */
