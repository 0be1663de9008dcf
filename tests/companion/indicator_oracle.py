#!/usr/bin/env python3
"""Independent oracle for the indicator golden values.

Computes every catalogue function on tests/data/reference_ohlcv.csv straight
from the written definitions (naive per-row windows, no shared code with the
C++ kernels) and prints the rows of the golden table in
indicator_golden_test.cpp. Run once; the printed numbers are pasted.

With --outliers it prints the table of indicator_outlier_test.cpp instead:
every windowed function on three hostile series made from the reference
series (one bar near 1e12, one bar times 1e4, a crash from about 10000 to
about 1, all at row 150), at rows whose window no longer holds the outlier.
"""
import csv
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, '..', 'data', 'reference_ohlcv.csv')) as f:
    rows = list(csv.DictReader(f))
O = [float(r['Open']) for r in rows]
H = [float(r['High']) for r in rows]
L = [float(r['Low']) for r in rows]
C = [float(r['Close']) for r in rows]
V = [float(r['Volume']) for r in rows]
N = len(C)
B = None  # blank


def sma(x, n):
    out = [B] * len(x)
    for t in range(len(x)):
        w = x[t - n + 1:t + 1] if t >= n - 1 else []
        if len(w) == n and all(v is not None for v in w):
            out[t] = sum(w) / n
    return out


def ema(x, n):
    out = [B] * len(x)
    start = next(i for i, v in enumerate(x) if v is not None)
    seed = start + n - 1
    if seed >= len(x):
        return out
    e = sum(x[start:seed + 1]) / n
    out[seed] = e
    a = 2.0 / (n + 1)
    for t in range(seed + 1, len(x)):
        e = a * x[t] + (1 - a) * e
        out[t] = e
    return out


def wma(x, n):
    out = [B] * len(x)
    for t in range(n - 1, len(x)):
        w = [x[t - i] for i in range(n)]
        if all(v is not None for v in w):
            out[t] = sum((n - i) * w[i] for i in range(n)) / (n * (n + 1) / 2)
    return out


MA = {'s': sma, 'e': ema, 'w': wma}


def pstd(w):
    m = sum(w) / len(w)
    return math.sqrt(sum((v - m) ** 2 for v in w) / len(w))


def sub(a, b):
    return [x - y if x is not None and y is not None else B for x, y in zip(a, b)]


def shift(x, k):
    return [B] * k + x[:len(x) - k]


def change(x, n):
    return [x[t] - x[t - n] if t >= n else B for t in range(len(x))]


def momentum(x, n):
    return [100 * x[t] / x[t - n] if t >= n else B for t in range(len(x))]


def avgdir(x, n, sign):
    out = [B] * len(x)
    for t in range(n, len(x)):
        out[t] = sum(max(sign * (x[t - i] - x[t - i - 1]), 0) for i in range(n)) / n
    return out


def accel(x, n):
    return [(x[t] - 2 * x[t - n] + x[t - 2 * n]) / n ** 2 if t >= 2 * n else B for t in range(len(x))]


def rolling(x, n, f):
    return [f(x[t - n + 1:t + 1]) if t >= n - 1 else B for t in range(len(x))]


def cross(a, b):
    out = [B] * len(a)
    for t in range(1, len(a)):
        if a[t - 1] <= b[t - 1] and a[t] > b[t]:
            out[t] = 1
        elif a[t - 1] >= b[t - 1] and a[t] < b[t]:
            out[t] = -1
        else:
            out[t] = 0
    return out


def wilder_rsi(x, n):
    out = [B] * len(x)
    g = [max(x[t] - x[t - 1], 0) for t in range(1, len(x))]
    l = [max(x[t - 1] - x[t], 0) for t in range(1, len(x))]
    G = sum(g[:n]) / n
    Lo = sum(l[:n]) / n
    out[n] = 100 * G / (G + Lo)
    for t in range(n + 1, len(x)):
        G = ((n - 1) * G + g[t - 1]) / n
        Lo = ((n - 1) * Lo + l[t - 1]) / n
        out[t] = 100 * G / (G + Lo)
    return out


def sums_updown(x, n, t):
    d = [x[t - i] - x[t - i - 1] for i in range(n)]
    return sum(v for v in d if v > 0), sum(-v for v in d if v < 0)


def cutler(x, n):
    out = [B] * len(x)
    for t in range(n, len(x)):
        u, d = sums_updown(x, n, t)
        out[t] = 100 * u / (u + d)
    return out


def cmo(x, n):
    out = [B] * len(x)
    for t in range(n, len(x)):
        u, d = sums_updown(x, n, t)
        out[t] = 100 * (u - d) / (u + d)
    return out


def dema(x, n):
    e1 = ema(x, n)
    e2 = ema(e1, n)
    return [2 * a - b if a is not None and b is not None else B for a, b in zip(e1, e2)]


def dpo(x, n):
    k = n // 2 + 1
    s = sma(x, n)
    return [x[t] - s[t - k] if t >= k and s[t - k] is not None else B for t in range(len(x))]


def stoch(h, l, c, p, s):
    out = [B] * len(c)
    for t in range(p + s - 2, len(c)):
        num = den = 0.0
        for j in range(s):
            hh = max(h[t - j - p + 1:t - j + 1])
            ll = min(l[t - j - p + 1:t - j + 1])
            num += c[t - j] - ll
            den += hh - ll
        out[t] = 100 * num / den
    return out


def willr(c, h, l, n):
    out = [B] * len(c)
    for t in range(n - 1, len(c)):
        hh = max(h[t - n + 1:t + 1])
        ll = min(l[t - n + 1:t + 1])
        out[t] = -100 * (hh - c[t]) / (hh - ll)
    return out


def aroon(x, n, up):
    out = [B] * len(x)
    for t in range(n, len(x)):
        w = x[t - n:t + 1]
        best = max(w) if up else min(w)
        last = max(i for i, v in enumerate(w) if v == best)  # most recent on ties
        d = n - last
        out[t] = 100 * (n - d) / n
    return out


def tr(c, h, l, t):
    return max(h[t] - l[t], abs(h[t] - c[t - 1]), abs(l[t] - c[t - 1]))


def dx(c, h, l, n):
    out = [B] * len(c)
    pdm, mdm, trs = [0], [0], [0]
    for t in range(1, len(c)):
        up = h[t] - h[t - 1]
        dn = l[t - 1] - l[t]
        pdm.append(up if up > dn and up > 0 else 0)
        mdm.append(dn if dn > up and dn > 0 else 0)
        trs.append(tr(c, h, l, t))
    sp, sm, st = sum(pdm[1:n + 1]), sum(mdm[1:n + 1]), sum(trs[1:n + 1])
    for t in range(n, len(c)):
        if t > n:
            sp = sp - sp / n + pdm[t]
            sm = sm - sm / n + mdm[t]
            st = st - st / n + trs[t]
        pdi, mdi = 100 * sp / st, 100 * sm / st
        out[t] = 100 * abs(pdi - mdi) / (pdi + mdi)
    return out


def boll(x, n, k, which):
    out = [B] * len(x)
    for t in range(n - 1, len(x)):
        w = x[t - n + 1:t + 1]
        mid = sum(w) / n
        sd = pstd(w)
        up, dn = mid + k * sd, mid - k * sd
        out[t] = {'up': up, 'down': dn, 'pct': (x[t] - dn) / (up - dn) if up != dn else B,
                  'width': (up - dn) / mid}[which]
    return out


def atr(c, h, l, n):
    out = [B] * len(c)
    a = sum(tr(c, h, l, t) for t in range(1, n + 1)) / n
    out[n] = a
    for t in range(n + 1, len(c)):
        a = ((n - 1) * a + tr(c, h, l, t)) / n
        out[t] = a
    return out


def chaikin_vol(h, l, m, r):
    R = ema([a - b for a, b in zip(h, l)], m)
    return [100 * (R[t] - R[t - r]) / R[t - r] if t >= r and R[t - r] is not None else B for t in range(len(h))]


def hv(c, n):
    r = [B] + [math.log(c[t] / c[t - 1]) for t in range(1, len(c))]
    return [100 * math.sqrt(252) * pstd(r[t - n + 1:t + 1]) if t >= n else B for t in range(len(c))]


def hvr(c, n1, n2):
    a, b = hv(c, n1), hv(c, n2)
    return [x / y if x is not None and y is not None else B for x, y in zip(a, b)]


def clv(c, h, l):
    return 0.0 if h == l else ((c - l) - (h - c)) / (h - l)


def ad(c, v, h, l):
    out, s = [], 0.0
    for t in range(len(c)):
        s += clv(c[t], h[t], l[t]) * v[t]
        out.append(s)
    return out


def adosc(c, v, h, l, f, s):
    a = ad(c, v, h, l)
    ef = es = a[0]
    af, as_ = 2 / (f + 1), 2 / (s + 1)
    out = [B] * len(c)
    for t in range(len(c)):
        if t > 0:
            ef = af * a[t] + (1 - af) * ef
            es = as_ * a[t] + (1 - as_) * es
        if t >= max(f, s) - 1:
            out[t] = ef - es
    return out


def cmf(c, v, h, l, n):
    out = [B] * len(c)
    for t in range(n - 1, len(c)):
        idx = range(t - n + 1, t + 1)
        out[t] = sum(clv(c[i], h[i], l[i]) * v[i] for i in idx) / sum(v[i] for i in idx)
    return out


def obv_osc(c, v, n):
    obv = [0.0]
    for t in range(1, len(c)):
        obv.append(obv[-1] + (v[t] if c[t] > c[t - 1] else -v[t] if c[t] < c[t - 1] else 0))
    return sub(obv, sma(obv, n))


def avg_vroc(v, n, m):
    roc = [100 * (v[t] - v[t - n]) / v[t - n] if t >= n else B for t in range(len(v))]
    return sma(roc, m)


def eom(h, l, v, n, ma):
    e = [B]
    for t in range(1, len(h)):
        mm = (h[t] + l[t]) / 2 - (h[t - 1] + l[t - 1]) / 2
        rng = h[t] - l[t]
        e.append(0.0 if rng == 0 or v[t] == 0 else mm / ((v[t] / 10000.0) / rng))
    return MA[ma](e, n)


def dvi(c, h, l, v):
    out, s = [], 0.0
    for t in range(len(c)):
        mid = (h[t] + l[t]) / 2
        s += v[t] * (c[t] - mid) / mid
        out.append(s)
    return out


def mfi(h, l, v):
    return [(a - b) / c for a, b, c in zip(h, l, v)]


def profitunity(h, l, v):
    m = mfi(h, l, v)
    out = [B]
    for t in range(1, len(h)):
        if m[t] == m[t - 1] or v[t] == v[t - 1]:
            out.append(0)
        elif m[t] > m[t - 1] and v[t] > v[t - 1]:
            out.append(1)
        elif m[t] < m[t - 1] and v[t] < v[t - 1]:
            out.append(2)
        elif m[t] > m[t - 1]:
            out.append(3)
        else:
            out.append(4)
    return out


def squat(v, h, l):
    m = mfi(h, l, v)
    return [B] + [1 if m[t] < m[t - 1] and v[t] > v[t - 1] else 0 for t in range(1, len(h))]


def coles(h, l, rally):
    out = [B]
    for t in range(1, len(h)):
        if rally:
            out.append(1 if h[t] > h[t - 1] and l[t] >= l[t - 1] else 0)
        else:
            out.append(1 if h[t] <= h[t - 1] and l[t] < l[t - 1] else 0)
    return out


def cumsum(x):
    out, s = [], 0.0
    for v in x:
        s += v
        out.append(s)
    return out


def breadth_ad(a, d, n):
    return ema([x / (x + y) if x + y else 0.5 for x, y in zip(a, d)], n)


def fosback(a, d, u, n, ma):
    return MA[ma]([z / (x + y + z) for x, y, z in zip(a, d, u)], n)


def hughes(a, d, u, n, ma):
    return MA[ma]([(x - y) / (x + y + z) for x, y, z in zip(a, d, u)], n)


# (function, input columns, parameter texts, values)
CASES = [
    ('MvAvgSingle', 'c', [], sma(C, 10)),
    ('MvAvgSingle', 'c', ['30'], sma(C, 30)),
    ('ExpMvAvgSingle', 'c', [], ema(C, 10)),
    ('ExpMvAvgSingle', 'c', ['21'], ema(C, 21)),
    ('LinWgtMvAvgSingle', 'c', [], wma(C, 10)),
    ('LinWgtMvAvgSingle', 'c', ['7'], wma(C, 7)),
    ('MvAvgDiffSingle', 'c', [], sub(sma(C, 12), sma(C, 26))),
    ('MvAvgDiffSingle', 'c', ['20', '5'], sub(sma(C, 20), sma(C, 5))),
    ('ExpMvAvgDiffSingle', 'c', [], sub(ema(C, 12), ema(C, 26))),
    ('LinWgtMvAvgDiffSingle', 'c', [], sub(wma(C, 12), wma(C, 26))),
    ('LagMvAvgSingle', 'c', [], shift(sma(C, 5), 5)),
    ('LagMvAvgSingle', 'c', ['10', '3'], shift(sma(C, 10), 3)),
    ('LagExpMvAvgSingle', 'c', [], shift(ema(C, 5), 5)),
    ('LagLinWgtMvAvgSingle', 'c', [], shift(wma(C, 5), 5)),
    ('LagMvAvgDiffSingle', 'c', [], sub(sma(C, 5), shift(sma(C, 5), 5))),
    ('LagMvAvgDiffSingle', 'c', ['10', '4'], sub(sma(C, 10), shift(sma(C, 10), 4))),
    ('LagExpMvAvgDiffSingle', 'c', [], sub(ema(C, 5), shift(ema(C, 5), 5))),
    ('LagLinWgtMvAvgDiffSingle', 'c', [], sub(wma(C, 5), shift(wma(C, 5), 5))),
    ('MACDSingle', 'c', [], sub(ema(C, 12), ema(C, 26))),
    ('Dema26', 'c', [], dema(C, 26)),
    ('Dema26_MACD', 'c', [], sub(dema(C, 12), dema(C, 26))),
    ('ChangeSingle', 'c', [], change(C, 10)),
    ('ChangeSingle', 'c', ['3'], change(C, 3)),
    ('MomentumSingle', 'c', [], momentum(C, 10)),
    ('AvgChangeSingle', 'c', [], [x / 10 if x is not None else B for x in change(C, 10)]),
    ('AvgPosChangeSingle', 'c', [], avgdir(C, 14, 1)),
    ('AvgNegChangeSingle', 'c', [], avgdir(C, 14, -1)),
    ('AvgNegChangeSingle', 'c', ['5'], avgdir(C, 5, -1)),
    ('AccelerationSingle', 'c', [], accel(C, 10)),
    ('LagValueSingle', 'c', [], shift(C, 1)),
    ('LagValueSingle', 'c', ['7'], shift(C, 7)),
    ('HighValSingle', 'h', [], rolling(H, 10, max)),
    ('LowValSingle', 'l', [], rolling(L, 10, min)),
    ('LowValSingle', 'l', ['25'], rolling(L, 25, min)),
    ('CrossSingle', 'co', [], cross(C, O)),
    ('WilderRSISingle', 'c', [], wilder_rsi(C, 14)),
    ('WilderRSISingle', 'c', ['9'], wilder_rsi(C, 9)),
    ('CutlerRSISingle', 'c', [], cutler(C, 14)),
    ('ChandeMomentumOscillatorSingle', 'c', [], cmo(C, 14)),
    ('DPOSingle', 'c', [], dpo(C, 20)),
    ('DPOSingle', 'c', ['9'], dpo(C, 9)),
    ('StochasticOscillatorSingle', 'hlc', [], stoch(H, L, C, 5, 3)),
    ('StochasticOscillatorSingle', 'hlc', ['14', '1'], stoch(H, L, C, 14, 1)),
    ('WilliamsRSingle', 'chl', [], willr(C, H, L, 14)),
    ('AroonUpSingle', 'h', [], aroon(H, 14, True)),
    ('AroonDownSingle', 'l', [], aroon(L, 14, False)),
    ('AroonOscillatorSingle', 'hl', [], sub(aroon(H, 14, True), aroon(L, 14, False))),
    ('AroonOscillatorSingle', 'hl', ['25'], sub(aroon(H, 25, True), aroon(L, 25, False))),
    ('DXSingle', 'chl', [], dx(C, H, L, 14)),
    ('BollingerBandSingleUp', 'c', [], boll(C, 20, 2, 'up')),
    ('BollingerBandSingleUp', 'c', ['10', '1.5'], boll(C, 10, 1.5, 'up')),
    ('BollingerBandSingleDown', 'c', [], boll(C, 20, 2, 'down')),
    ('BollingerBandPercentSingle', 'c', [], boll(C, 20, 2, 'pct')),
    ('BollingerBandWidthSingle', 'c', [], boll(C, 20, 2, 'width')),
    ('EnvelopeSingle', 'c', [], [x * 1.025 if x is not None else B for x in sma(C, 20)]),
    ('EnvelopeSingle', 'c', ['10', '-3', 'ExpMvAvg'], [x * 0.97 if x is not None else B for x in ema(C, 10)]),
    ('AverageTrueRangeSingle', 'chl', [], atr(C, H, L, 14)),
    ('VolatilityChaikinSingle', 'hl', [], chaikin_vol(H, L, 10, 10)),
    ('HistoricalVolatilitySingle10', 'c', [], hv(C, 10)),
    ('HistoricalVolatilitySingle100', 'c', [], hv(C, 100)),
    ('HistoricalVolatilityIndicatorSingle', 'c', [], hvr(C, 10, 100)),
    ('AccumDistSingle', 'cvhl', [], ad(C, V, H, L)),
    ('ChaikinADOscillatorSingle', 'cvhl', [], adosc(C, V, H, L, 3, 10)),
    ('ChaikinMoneyFlowSingle', 'cvhl', [], cmf(C, V, H, L, 21)),
    ('OBVOscillatorSingle', 'cv', [], obv_osc(C, V, 21)),
    ('AverageOfVolumeROCSingle', 'v', [], avg_vroc(V, 12, 12)),
    ('EaseOfMovementSingle', 'hlv', [], eom(H, L, V, 14, 's')),
    ('EaseOfMovementSingle', 'hlv', ['10', 'ExpMvAvg'], eom(H, L, V, 10, 'e')),
    ('DailyVolumeIndexSingle', 'chlv', [], dvi(C, H, L, V)),
    ('MarketFacilitationIndexSingle', 'hlv', [], mfi(H, L, V)),
    ('BillWilliamsProfitunitySingle', 'hlv', [], profitunity(H, L, V)),
    ('SquatBarVariablesSingle', 'vhl', [], squat(V, H, L)),
    ('ColesRallyDaySingle', 'hl', [], coles(H, L, True)),
    ('ColesReactionDaySingle', 'hl', [], coles(H, L, False)),
    ('ElderRayBullPowerSingle', 'hc', [], sub(H, ema(C, 13))),
    ('ElderRayBullPowerSingle', 'hc', ['', 'MvAvg'], sub(H, sma(C, 13))),
    ('ElderRayBearPowerSingle', 'lc', [], sub(L, ema(C, 13))),
    ('ElderRayBearPowerSingle', 'lc', ['20', 'LinWgtMvAvg'], sub(L, wma(C, 20))),
    ('AdvanceDeclineLineSingle', 'c', [], cumsum(C)),
    ('BreadthAdvanceDeclineSingle', 'oh', [], breadth_ad(O, H, 10)),
    ('FosbackUnchangedIssuesSingle', 'ohl', [], fosback(O, H, L, 1, 's')),
    ('FosbackUnchangedIssuesSingle', 'ohl', ['5', 'ExpMvAvg'], fosback(O, H, L, 5, 'e')),
    ('HughesBreadthIndexSingle', 'ohl', [], hughes(O, H, L, 1, 's')),
    ('HughesBreadthIndexSingle', 'ohl', ['3', 'LinWgtMvAvg'], hughes(O, H, L, 3, 'w')),
]

OUTLIER_ROW = 150

# (function, input columns, parameter texts, computation) of every function
# whose value depends on a fixed window of rows; same order as the C++ table.
WINDOWED = [
    ('MvAvgSingle', 'c', [], lambda O, H, L, C, V: sma(C, 10)),
    ('MvAvgSingle', 'c', ['30'], lambda O, H, L, C, V: sma(C, 30)),
    ('LinWgtMvAvgSingle', 'c', [], lambda O, H, L, C, V: wma(C, 10)),
    ('MvAvgDiffSingle', 'c', [], lambda O, H, L, C, V: sub(sma(C, 12), sma(C, 26))),
    ('LinWgtMvAvgDiffSingle', 'c', [], lambda O, H, L, C, V: sub(wma(C, 12), wma(C, 26))),
    ('LagMvAvgSingle', 'c', [], lambda O, H, L, C, V: shift(sma(C, 5), 5)),
    ('LagLinWgtMvAvgSingle', 'c', [], lambda O, H, L, C, V: shift(wma(C, 5), 5)),
    ('LagMvAvgDiffSingle', 'c', [], lambda O, H, L, C, V: sub(sma(C, 5), shift(sma(C, 5), 5))),
    ('LagMvAvgDiffSingle', 'c', ['10', '4', '20'], lambda O, H, L, C, V: sub(sma(C, 10), shift(sma(C, 20), 4))),
    ('LagLinWgtMvAvgDiffSingle', 'c', [], lambda O, H, L, C, V: sub(wma(C, 5), shift(wma(C, 5), 5))),
    ('ChangeSingle', 'c', [], lambda O, H, L, C, V: change(C, 10)),
    ('MomentumSingle', 'c', [], lambda O, H, L, C, V: momentum(C, 10)),
    ('AvgChangeSingle', 'c', [], lambda O, H, L, C, V: [x / 10 if x is not None else B for x in change(C, 10)]),
    ('AvgPosChangeSingle', 'c', [], lambda O, H, L, C, V: avgdir(C, 14, 1)),
    ('AvgNegChangeSingle', 'c', [], lambda O, H, L, C, V: avgdir(C, 14, -1)),
    ('AccelerationSingle', 'c', [], lambda O, H, L, C, V: accel(C, 10)),
    ('LagValueSingle', 'c', [], lambda O, H, L, C, V: shift(C, 1)),
    ('HighValSingle', 'h', [], lambda O, H, L, C, V: rolling(H, 10, max)),
    ('LowValSingle', 'l', [], lambda O, H, L, C, V: rolling(L, 10, min)),
    ('CrossSingle', 'co', [], lambda O, H, L, C, V: cross(C, O)),
    ('CutlerRSISingle', 'c', [], lambda O, H, L, C, V: cutler(C, 14)),
    ('ChandeMomentumOscillatorSingle', 'c', [], lambda O, H, L, C, V: cmo(C, 14)),
    ('DPOSingle', 'c', [], lambda O, H, L, C, V: dpo(C, 20)),
    ('StochasticOscillatorSingle', 'hlc', [], lambda O, H, L, C, V: stoch(H, L, C, 5, 3)),
    ('StochasticOscillatorSingle', 'hlc', ['14', '5'], lambda O, H, L, C, V: stoch(H, L, C, 14, 5)),
    ('WilliamsRSingle', 'chl', [], lambda O, H, L, C, V: willr(C, H, L, 14)),
    ('AroonUpSingle', 'h', [], lambda O, H, L, C, V: aroon(H, 14, True)),
    ('AroonDownSingle', 'l', [], lambda O, H, L, C, V: aroon(L, 14, False)),
    ('AroonOscillatorSingle', 'hl', [], lambda O, H, L, C, V: sub(aroon(H, 14, True), aroon(L, 14, False))),
    ('BollingerBandSingleUp', 'c', [], lambda O, H, L, C, V: boll(C, 20, 2, 'up')),
    ('BollingerBandSingleUp', 'c', ['10', '1.5'], lambda O, H, L, C, V: boll(C, 10, 1.5, 'up')),
    ('BollingerBandSingleDown', 'c', [], lambda O, H, L, C, V: boll(C, 20, 2, 'down')),
    ('BollingerBandPercentSingle', 'c', [], lambda O, H, L, C, V: boll(C, 20, 2, 'pct')),
    ('BollingerBandWidthSingle', 'c', [], lambda O, H, L, C, V: boll(C, 20, 2, 'width')),
    ('EnvelopeSingle', 'c', [], lambda O, H, L, C, V: [x * 1.025 if x is not None else B for x in sma(C, 20)]),
    ('EnvelopeSingle', 'c', ['10', '-3', 'LinWgtMvAvg'],
     lambda O, H, L, C, V: [x * 0.97 if x is not None else B for x in wma(C, 10)]),
    ('HistoricalVolatilitySingle10', 'c', [], lambda O, H, L, C, V: hv(C, 10)),
    ('HistoricalVolatilitySingle100', 'c', [], lambda O, H, L, C, V: hv(C, 100)),
    ('HistoricalVolatilityIndicatorSingle', 'c', [], lambda O, H, L, C, V: hvr(C, 10, 100)),
    ('ChaikinMoneyFlowSingle', 'cvhl', [], lambda O, H, L, C, V: cmf(C, V, H, L, 21)),
    ('OBVOscillatorSingle', 'cv', [], lambda O, H, L, C, V: obv_osc(C, V, 21)),
    ('AverageOfVolumeROCSingle', 'v', [], lambda O, H, L, C, V: avg_vroc(V, 12, 12)),
    ('EaseOfMovementSingle', 'hlv', [], lambda O, H, L, C, V: eom(H, L, V, 14, 's')),
    ('EaseOfMovementSingle', 'hlv', ['10', 'LinWgtMvAvg'], lambda O, H, L, C, V: eom(H, L, V, 10, 'w')),
    ('MarketFacilitationIndexSingle', 'hlv', [], lambda O, H, L, C, V: mfi(H, L, V)),
    ('BillWilliamsProfitunitySingle', 'hlv', [], lambda O, H, L, C, V: profitunity(H, L, V)),
    ('SquatBarVariablesSingle', 'vhl', [], lambda O, H, L, C, V: squat(V, H, L)),
    ('ColesRallyDaySingle', 'hl', [], lambda O, H, L, C, V: coles(H, L, True)),
    ('ColesReactionDaySingle', 'hl', [], lambda O, H, L, C, V: coles(H, L, False)),
    ('ElderRayBullPowerSingle', 'hc', ['', 'MvAvg'], lambda O, H, L, C, V: sub(H, sma(C, 13))),
    ('ElderRayBearPowerSingle', 'lc', ['20', 'LinWgtMvAvg'], lambda O, H, L, C, V: sub(L, wma(C, 20))),
    ('FosbackUnchangedIssuesSingle', 'ohl', ['5', 'MvAvg'], lambda O, H, L, C, V: fosback(O, H, L, 5, 's')),
    ('HughesBreadthIndexSingle', 'ohl', ['3', 'LinWgtMvAvg'], lambda O, H, L, C, V: hughes(O, H, L, 3, 'w')),
]


def scaled(price, volume):
    """The reference series with row t's prices times price(t), volume times volume(t)."""
    def each(x, f):
        return [v * f(t) for t, v in enumerate(x)]
    return (each(O, price), each(H, price), each(L, price), each(C, price), each(V, volume))


def at_outlier(factor):
    return lambda t: factor if t == OUTLIER_ROW else 1.0


HOSTILE = [
    scaled(at_outlier(1e10), at_outlier(1e6)),
    scaled(at_outlier(1e4), at_outlier(1e4)),
    scaled(lambda t: 100.0 if t < OUTLIER_ROW else 0.01, lambda t: 1.0),
]


def print_outlier_table():
    for name, cols, params, compute in WINDOWED:
        span = next(i for i, v in enumerate(compute(O, H, L, C, V)) if v is not None) + 1
        rows = (OUTLIER_ROW + span, OUTLIER_ROW + span + 17, N - 1)
        ps = ', '.join('"%s"' % p for p in params)
        for index, series in enumerate(HOSTILE):
            values = compute(*series)
            picks = ', '.join('{%d, %.17g}' % (r, values[r]) for r in rows)
            print('    {"%s", "%s", {%s}, %d, {%s}},' % (name, cols, ps, index, picks))


if sys.argv[1:] == ['--outliers']:
    print_outlier_table()
    sys.exit(0)

for name, cols, params, values in CASES:
    assert len(values) == N, name
    first = next(i for i, v in enumerate(values) if v is not None)
    assert all(v is not None for v in values[first:]), name
    mid = (first + N - 1) // 2
    picks = ', '.join('{%d, %.17g}' % (i, values[i]) for i in (first, mid, N - 1))
    ps = ', '.join('"%s"' % p for p in params)
    print('    {"%s", "%s", {%s}, %d, {%s}},' % (name, cols, ps, first, picks))
