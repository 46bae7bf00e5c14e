#pragma once

// TLS mode of a mail connection; the numbers are stored in settings files.
enum TSecTransfer { stNone, stExplicit, stRequired, stImplicit };

// Body kind of a composed message.
enum TContentType { ctAscii, ctHtml, ctUtf8 };

// Priority of a message, as mail programs show it.
enum TMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };
