/* Machine interface of the fitness-test instrument, as the Sorvik station binds it.
 *
 * Pure C. Every text is a NUL-terminated GBK byte string. Every call talks to the
 * instrument over TCP and gives up after a few seconds (connect 2 s, each reply 3 s),
 * so a silent or vanished instrument turns into a failure result, never a hang. A call
 * takes only the reply to its own request (a doubled or late reply is skipped).
 * Calls made before CMD0_Handshake, after CMD10_Goodbye or after the connection was
 * lost fail (0 or another value than 1) and leave every out argument untouched.
 *
 * One call at a time: callers must not overlap calls from several threads (the
 * library serialises them anyway).
 *
 * Where the instrument is: $XDG_CONFIG_HOME/sorvik/sorvik.ini (or ~/.config/...),
 * section [instrument], keys host (default 127.0.0.1) and port (default 7730);
 * the environment variables SORVIK_INSTRUMENT_HOST and SORVIK_INSTRUMENT_PORT win
 * over the file. They are read on every handshake.
 */
#ifndef QRVMACHINE_H
#define QRVMACHINE_H

#if defined(QRVMACHINE_BUILD)
#define QRV_API __attribute__((visibility("default")))
#else
#define QRV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Connects (or reconnects) to the instrument. 1 = instrument ready; 0 = nobody
 * answers, the connection was refused, or the instrument did not greet in time. */
QRV_API int CMD0_Handshake(void);

/* Harmless mode switch; callers pass (1, 3) to select the class download mode.
 * 1 = instrument acknowledged, 0 = no connection. */
QRV_API int f1(int a, int b);

/* Announces one class of pupilCount pupils (0..65535); its pupils follow with
 * CMD2_WriteOneStudent. A name longer than 16 bytes is cut to at most 16 bytes
 * without splitting a GBK character; an empty name is refused.
 * 1 = accepted, 3 = instrument full (classes or pupils), 2 = refused, 0 = no connection
 * or the instrument could not save the class. */
QRV_API int CMD1_WriteOneClass(const char* className, int pupilCount);

/* Adds one pupil to the class announced last. number: 1..20 bytes; name: cut to at
 * most 32 bytes without splitting a GBK character.
 * 1 = stored, 2 = refused (no class open, all announced pupils already written,
 * bad number), 0 = no connection or the instrument could not save the pupil. */
QRV_API int CMD2_WriteOneStudent(const char* number, const char* name);

/* Out: number of classes and of pupils on the instrument (both fit in 16 bits).
 * 1 = done, 0 = failure. */
QRV_API int CMD3_ReadClassStudnetCount(int* classCount, int* pupilCount);

/* Out: number of classes and number of result records over all classes.
 * 1 = done, 0 = failure. */
QRV_API int CMD7_ReadClassStudnetCount2(int* classCount, int* secondCount);

/* classIndex from 0. Out: the class name into a buffer of 17 bytes (at most 16 bytes
 * and NUL, never ending in half a GBK character; the rest of the buffer is zeroed)
 * and the number of result records held for that class.
 * 1 = done, 0 = no class at that index or failure. */
QRV_API int CMD4_ReadClassInfo(int classIndex, char* name17, int* recordCount);

/* Out: result record recordIndex (from 0, in recording order) of class classIndex,
 * as 27 raw bytes for qrv_dll_DecodeOneValue. 1 = done, 0 = no such record or failure. */
QRV_API int CMD5_ReadTestValue(int classIndex, int recordIndex, unsigned char* raw27);

/* Decodes a raw record; needs no connection.
 * number24: 24 bytes, the pupil number as downloaded, NUL-terminated, zero-padded.
 * itemCode1: 1 byte, the item number; 0x65 ('e') marks a double record.
 * value6: 6 bytes, the value text (at most 5 characters), NUL-terminated, zero-padded;
 *         item 6 values are whole hundredths ("745" = 7.45 s).
 * time5: 5 bytes, year - 2010, month, day, hour, minute. For a double record the
 *        value buffer holds item 1 (height) and time5 holds the value text of item 2
 *        (weight, at most 4 characters and NUL); such records carry no time.
 * 1 = done, 0 = not a valid record (out buffers untouched). */
QRV_API int qrv_dll_DecodeOneValue(const unsigned char* raw27, char* number24,
                                   unsigned char* itemCode1, char* value6, unsigned char* time5);

/* Erases every class, pupil and result on the instrument. 1 = done, 0 = failure. */
QRV_API int CMD6_Format(void);

/* Says goodbye and disconnects. 1 = the instrument acknowledged, 0 = there was no
 * working connection (the library is disconnected afterwards either way). */
QRV_API int CMD10_Goodbye(void);

#ifdef __cplusplus
}
#endif

#endif /* QRVMACHINE_H */
