/*
 * ravuve9 - the product family's cipher library.
 *
 * One function: does a candidate password match a stored password text?
 */
#ifndef RAVUVE9_H
#define RAVUVE9_H

#if defined(_WIN32) && !defined(_WIN64)
#define RAVUVE9_CALL __cdecl
#else
#define RAVUVE9_CALL
#endif

#if defined(_WIN32)
#if defined(RAVUVE9_BUILDING)
#define RAVUVE9_API __declspec(dllexport)
#else
#define RAVUVE9_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define RAVUVE9_API __attribute__((visibility("default")))
#else
#define RAVUVE9_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* stored_text is what follows the scheme tag of a stored value:
 *   "{crypt}" values: a crypt(3) hash (traditional DES, $1$, $5$, $6$,
 *                     $2b$, $y$ and whatever else the system's crypt knows);
 *   "{MD5}" values:   the Base64 text of the 16-byte MD5 digest.
 * The text decides which: one of 24 characters that is a valid Base64 MD5
 * digest is checked as such, anything else goes to crypt(3).
 * Returns 1 when candidate matches, 0 otherwise (null arguments included). */
RAVUVE9_API int RAVUVE9_CALL passwd_verify(const char *candidate, const char *stored_text);

#ifdef __cplusplus
}
#endif

#endif
