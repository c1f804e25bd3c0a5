#pragma once

// How pupils are known to the instrument: by student number or by card number ("学号"/"卡号").
enum class NumberType { StudentNumber, CardNumber };
