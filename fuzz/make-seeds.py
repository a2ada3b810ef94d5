#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets that are built from bytes rather than copied from
files (fuzz/corpus/<target>/). Each seed is a valid input in the target's format (see the header
comment of fuzz/<target>.cpp) that reaches deep into the code: a whole round, every command, a
message of each type. Run it from anywhere; it rewrites only the seeds it names."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def game_msg(msg_type, body):
    return bytes([3, msg_type, 0, 0]) + struct.pack(">I", len(body)) + body


# ---- dispatch: the wait-login-again notice (54), the one type its seeds lacked --------------------
def dispatch_entry(msg):
    return struct.pack(">H", 0x8000 | len(msg)) + msg


def dispatch_seeds():
    auto_play = open(os.path.join(ROOT, "dispatch", "auto-play"), "rb").read()
    # The options and the table's players (a 52 of two players at chairs 1 and 2).
    head_len = 4 + 2 + (struct.unpack(">H", auto_play[4:6])[0] & 0x7FFF)
    prefix = auto_play[:head_len]
    # Chair 1 dropped (2: the others wait), chair 2 forced out (any other value), a chair nobody
    # holds, and one a byte too short.
    notices = [game_msg(54, bytes([1, 2])), game_msg(54, bytes([2, 0])), game_msg(54, bytes([9, 2])),
               game_msg(54, bytes([1]))]
    write("dispatch", "wait-login-again", prefix + b"".join(dispatch_entry(m) for m in notices))


# ---- the devserver's scenario language and console ------------------------------------------------
def devserver_seeds():
    write("devserver_scenario", "every-command", """# every command once
send 200 000000ff
send againlogin 3 2 player
send seq 200 3 8
sendmsg 03c800000000000401020304
raw 0300001c
frame-version 131
split 3 5
batch 2
wait 10
expect 1 10000
repeat 2
  repeat 3
    send 201
  end
end
room auth 10001
room sit 1 2
room ready
room stand
room bulletin all system hello
close
""")
    write("devserver_console", "every-command", """help
bulletin all horn from=bot hello there
bulletin table 3 200 a numbered kind
invite 10001 friend
notice 10001 5 you were kicked
notice all 13 -2147483648
forbid table 1 spam
allow 10001
allow 10001 you may speak
wage 10001 2 100 3 -500
autoplay 1 2 1
escape-query all -128
dismiss 255
say 90001 hi
""")


# ---- the lobby's record ---------------------------------------------------------------------------
def record_line(conn, t, msg_type, frame):
    return '{"conn":%d,"t":%s,"type":%d,"len":%d,"frame":"%s"}\n' % (conn, t, msg_type, len(frame) - 20,
                                                                       frame.hex())


def lobby_seeds():
    frame = bytes([0x83, 0, 0, 20]) + bytes(range(16))
    longer = bytes([0x83, 0, 0, 36]) + bytes(32)
    write("lobby_record", "two-connections",
          '{"format":"tessaro-record","version":1,"started":"2024-05-01T10:00:00Z"}\n' +
          record_line(1, "0", 36, frame) + record_line(2, "1.5", -1, longer) + "\n" +
          record_line(1, "1504.031", 200, longer) +
          '{"conn":1,"t":1,"type":1,"frame":"8300"}\n')


# ---- the view's title files, chat input and quick chat --------------------------------------------
def view_seeds():
    money = "\n".join(["%s %d" % (n, v) for n, v in
                       [("平民", 0), ("小康", 1000), ("富翁", 100000), ("大富翁超长的一个称号", 10000000)]])
    amount = "\r\n".join(["新手", "入门 10", "高手 1000", "", "宗师 99999999999"]) + "\n"
    values = b"".join(struct.pack(">i", v) for v in [-5, 0, 1, 999, 1001, 100001, 2 ** 31 - 1])
    for name, opts in [("both", 3), ("money-only", 1)]:
        data = bytes([opts])
        for text, bit in [(money, 1), (amount, 2)]:
            if opts & bit:
                raw = text.encode("gbk")
                data += struct.pack(">H", len(raw)) + raw
        write("title_files", name, data + values)

    def line(prefix, text, wide32=False):
        chars = [ord(c) for c in text]
        out = bytes([prefix | (4 if wide32 else 0), len(chars)])
        for c in chars:
            out += struct.pack(">I" if wide32 else ">H", c)
        return out

    lines = line(0, "你好，大家好") + line(1, " 10002 reason") + line(2, " 10002 word 30") + line(3, " 5") + \
        line(0, "") + line(0, "x" * 255) + line(0, "\U0001F600", True)
    write("chat_command", "game-master", bytes([1, 5, 0]) + lines)
    write("chat_command", "player-pause", bytes([0, 5, 2]) + lines)
    write("chat_command", "anti-cheat-room", bytes([0x20, 5, 0]) + lines)

    def phrase(text, folder, sound, value=7):
        entry = text.encode("gbk").ljust(128, b"\0") + struct.pack(">I", value)
        return entry + folder.encode().ljust(32, b"\0") + sound.encode().ljust(32, b"\0")

    entries = phrase("快点吧，我等到花儿都谢了", "chat", "hurry") + phrase("", "chat", "none") + \
        phrase("再见了", "chat", "")
    msg = bytes(8) + struct.pack("<I", 3) + bytes(4) + entries
    tail = bytes([0, 1, 2, 5, 0xFF])
    lookups = b"".join(bytes([len(t)]) + t + bytes([1]) for t in
                       ["快点吧，我等到花儿都谢了".encode("gbk"), "再见了".encode("gbk"), b"nothing"])
    write("quick_chat", "three-phrases", bytes([0]) + struct.pack(">H", len(msg)) + msg + tail + lookups)
    write("quick_chat", "count-beyond-entries",
          bytes([0]) + struct.pack(">H", 16 + 196) + bytes(8) + struct.pack("<I", 9) + bytes(4) + entries[:196] +
          bytes([0]))


# ---- the demo game ----------------------------------------------------------------------------------
def landlord_seeds():
    def ll(msg_type, length, fields):
        body = bytearray(length)
        body[0], body[1] = 3, msg_type
        body[4:8] = struct.pack(">I", length - 8)
        for at, value in fields.items():
            if isinstance(value, (bytes, bytearray)):
                body[at:at + len(value)] = value
            else:
                body[at] = value
        return bytes(body)

    hand = bytes(range(0, 17))
    deal = ll(210, 32, {12: 0, 13: 0, 14: 17, 15: hand})
    bid_turn = ll(211, 12, {8: 0, 9: 0, 10: 20})
    bid = ll(213, 12, {8: 0, 9: 3})
    landlord = ll(214, 16, {8: 0, 9: 3, 10: bytes([51, 52, 53])})
    play_turn = ll(215, 12, {8: 0, 9: 1, 10: 20})
    play = ll(217, 36, {8: 0, 9: 2, 10: 18, 11: 0, 12: bytes([52, 53]), 32: bytes([0, 0, 0, 6])})
    other = ll(217, 36, {8: 1, 9: 0, 10: 17, 32: bytes([0, 0, 0, 6])})
    turn_again = ll(215, 12, {8: 0, 9: 0, 10: 20})
    end = ll(219, 96, {8: 0, 9: 1, 12: 3, 13: 1, 16: bytes([0, 0, 0, 6]), 32: 0, 53: 17, 54: bytes(range(17, 34))})
    queries = bytes([0x01, 0x00, 0x03, 2, 5, 9, 1])

    def entry(msg):
        # Type by the next byte (kind 13 reads it mod 11), the header as given.
        return bytes([13, msg[1] - 210, len(msg)]) + msg + queries

    seq = [deal, bid_turn, bid, landlord, play_turn, play, other, turn_again, end]
    write("landlord_client", "whole-round", b"".join(entry(m) for m in seq))
    # A restore inside a login-again response: the snapshot at 244, its 840 bytes, then the restore.
    restore = bytearray(ll(220, 144, {12: 0, 13: 1, 14: 0, 15: 3, 16: bytes([3, 0, 0]), 19: 0,
                                      20: bytes([51, 52, 53]), 23: 0, 24: 1, 25: 15, 28: bytes([0, 0, 0, 3]),
                                      32: bytes([20, 17, 17]), 36: 20, 37: bytes(range(0, 17)) + bytes([51, 52, 53])}))
    restore[35] = 0xFF
    login = bytearray(244 + 840) + restore
    login[0], login[1] = 3, 36
    login[240:244] = struct.pack(">I", 244)
    write("landlord_client", "restore-in-login",
          bytes([12 | 32]) + struct.pack(">H", len(login)) + bytes(login) + queries + entry(play_turn))

    # The server: chair 0 a player, 1 and 2 bots; the player bids, moves when it is his turn and
    # leaves and comes back once; the bots' timers fire in between.
    ops = bytes([0x01, 3])  # chair 0's bid: 3 points
    for i in range(60):
        ops += bytes([0x02]) + bytes([0x01, i * 7 % 256])
        if i == 10:
            ops += bytes([0x03, 0x04])  # chair 0 leaves and comes back (with his restore)
        if i == 20:
            ops += bytes([0x05, 50, 0x00, 0x01, 3, 0, 1, 2])  # time passes; a play he does not hold
    write("landlord_server", "player-and-two-bots", bytes([6, 0, 42, 0]) + ops)
    write("landlord_server", "three-bots", bytes([7, 1, 0, 5]) + bytes([0x02]) * 120)
    write("landlord_server", "three-players-timeouts", bytes([0, 0, 7, 1]) + bytes([0x02, 0x0c, 0x14]) * 40)


if __name__ == "__main__":
    dispatch_seeds()
    devserver_seeds()
    lobby_seeds()
    view_seeds()
    landlord_seeds()
