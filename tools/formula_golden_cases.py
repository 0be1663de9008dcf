# The formula cases of the golden table: (formula, expected by hand or None).
# A hand expectation is used only where the LibreOffice at hand lacks the
# function (it answers #NAME?); the published definition of the function
# gives the value. Inputs live on the sheet "In" (see formula_golden.py).

CASES = []


def add(*formulas, expect=None):
    for f in formulas:
        CASES.append((f, expect))


# --- Dates and times -------------------------------------------------------
add("=DATE(2024,3,15)", "=DATE(2024,13,1)", "=DATE(2024,0,1)", "=DATE(2024,3,0)", "=DATE(2023,2,29)",
    "=DATE(1900,3,1)", "=DATE(99,1,1)", "=DATE(2024,-1,15)", "=DATE(10000,1,1)", "=DATE(-1,1,1)",
    "=DATE(2024.9,1.9,1.9)", "=DATE(\"2024\",\"3\",\"15\")", "=DATE(In!A4,1,1)", "=DATE(In!A7,1,1)")
add("=TIME(10,30,0)", "=TIME(25,0,0)", "=TIME(0,-1,0)", "=TIME(12,90,90)", "=TIME(-1,0,0)")
add("=YEAR(45366)", "=YEAR(In!C1)", "=YEAR(\"2024-03-15\")", "=YEAR(-1)", "=YEAR(In!A4)", "=YEAR(In!A5)")
add("=MONTH(45366)", "=MONTH(In!C2)", "=MONTH(0.5)", "=DAY(45366)", "=DAY(In!C2)", "=DAY(In!C3)")
add("=HOUR(0.75)", "=HOUR(45366.4375)", "=MINUTE(0.75+1/1440)", "=SECOND(TIME(1,2,3))", "=HOUR(-0.5)",
    "=MINUTE(\"10:45\")", "=SECOND(0.999999)")
add("=WEEKDAY(45366)", "=WEEKDAY(45366,2)", "=WEEKDAY(45366,3)", "=WEEKDAY(45366,11)", "=WEEKDAY(45366,16)",
    "=WEEKDAY(45366,4)", "=WEEKDAY(In!C1)", "=WEEKDAY(-1)")
add("=WEEKNUM(45366)", "=WEEKNUM(45366,2)", "=WEEKNUM(DATE(2024,1,1))", "=WEEKNUM(DATE(2023,12,31),21)",
    "=WEEKNUM(DATE(2021,1,3),2)", "=WEEKNUM(45366,5)")
add("=_xlfn.ISOWEEKNUM(DATE(2021,1,3))", "=_xlfn.ISOWEEKNUM(DATE(2020,12,31))", "=_xlfn.ISOWEEKNUM(45366)",
    "=_xlfn.ISOWEEKNUM(DATE(2026,1,1))")
add("=EDATE(DATE(2024,1,31),1)", "=EDATE(DATE(2024,3,31),-1)", "=EDATE(45366,-12)", "=EDATE(45366,0.9)",
    "=EDATE(In!C2,12)", "=EDATE(In!A4,1)", "=EDATE(45366,\"2\")")
add("=EOMONTH(DATE(2024,1,15),1)", "=EOMONTH(DATE(2024,1,15),-1)", "=EOMONTH(45366,0)", "=EOMONTH(In!C3,2)",
    "=EOMONTH(45366,-1000000)")
add("=WORKDAY(DATE(2024,3,15),1)", "=WORKDAY(DATE(2024,3,15),-1)", "=WORKDAY(DATE(2024,3,15),10)",
    "=WORKDAY(DATE(2024,3,15),5,In!C1:C3)", "=WORKDAY(DATE(2024,3,16),0)",
    "=WORKDAY.INTL(DATE(2024,3,15),1,7)", "=WORKDAY.INTL(DATE(2024,3,15),3,\"0000011\")",
    "=WORKDAY.INTL(DATE(2024,3,15),3,11)", "=WORKDAY.INTL(DATE(2024,3,15),3,\"1111111\")")
add("=NETWORKDAYS(DATE(2024,3,1),DATE(2024,3,31))", "=NETWORKDAYS(DATE(2024,3,31),DATE(2024,3,1))",
    "=NETWORKDAYS(DATE(2024,1,1),DATE(2024,2,29),In!C1:C3)",
    "=NETWORKDAYS.INTL(DATE(2024,3,1),DATE(2024,3,31),11)",
    "=NETWORKDAYS.INTL(DATE(2024,3,1),DATE(2024,3,31),\"0000110\")")
add("=DATEVALUE(\"2024-03-15\")", "=DATEVALUE(\"2024-02-30\")", "=DATEVALUE(\"nonsense\")", "=DATEVALUE(45366)",
    "=TIMEVALUE(\"10:30\")", "=TIMEVALUE(\"2024-03-15 06:00\")", "=TIMEVALUE(\"25:99\")")
add("=_xlfn.DAYS(DATE(2024,3,15),DATE(2024,1,1))", "=_xlfn.DAYS(DATE(2024,1,1),DATE(2024,3,15))",
    "=_xlfn.DAYS(\"2024-03-15\",\"2024-03-01\")", "=_xlfn.DAYS(In!A4,1)")
add("=DAYS360(DATE(2024,1,31),DATE(2024,3,31))", "=DAYS360(DATE(2024,2,29),DATE(2024,3,31))",
    "=DAYS360(DATE(2024,1,31),DATE(2024,3,31),TRUE)", "=DAYS360(DATE(2024,3,31),DATE(2024,1,31))")
add("=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"Y\")", "=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"M\")",
    "=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"D\")", "=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"YM\")",
    "=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"MD\")", "=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"YD\")",
    "=DATEDIF(DATE(2024,3,14),DATE(2020,5,15),\"Y\")", "=DATEDIF(DATE(2020,5,15),DATE(2024,3,14),\"X\")")
add("=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1))", "=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),1)",
    "=YEARFRAC(DATE(2023,1,1),DATE(2024,7,1),1)", "=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),2)",
    "=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),3)", "=YEARFRAC(DATE(2024,1,31),DATE(2024,7,31),4)",
    "=YEARFRAC(DATE(2024,7,1),DATE(2024,1,1))", "=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),5)")

# --- Logic and information --------------------------------------------------
add("=IF(In!A1>0,\"yes\",\"no\")", "=IF(In!A10,\"yes\",\"no\")", "=IF(In!A1>5,1)", "=IF(In!A7,1,2)",
    "=IF(\"TRUE\",1,2)", "=IF(\"x\",1,2)", "=IF(In!A5,1,2)", "=IF(1,,2)")
add("=_xlfn.IFS(In!A1>2,\"a\",In!A2>1,\"b\")", "=_xlfn.IFS(FALSE,1)", "=_xlfn.IFS(In!A7,1,TRUE,2)")
add("=_xlfn.SWITCH(In!A2,1,\"one\",2,\"two\")", "=_xlfn.SWITCH(In!A3,1,\"one\",2,\"two\",\"other\")",
    "=_xlfn.SWITCH(In!A3,1,\"one\")", "=_xlfn.SWITCH(\"b\",\"a\",1,\"B\",2)")
add("=AND(TRUE,1)", "=AND(In!A1:A3)", "=AND(In!A4)", "=AND(TRUE,0)", "=AND(In!A6,In!A10)", "=AND(In!A7,TRUE)",
    "=OR(FALSE,0)", "=OR(In!A1:A3)", "=OR(In!A10,In!A6)", "=OR(\"x\")",
    "=_xlfn.XOR(TRUE,TRUE)", "=_xlfn.XOR(TRUE,FALSE,TRUE)", "=NOT(0)", "=NOT(In!A1)", "=NOT(\"x\")")
add("=TRUE()", "=FALSE()", "=TRUE+1", "=IFERROR(1/0,\"div\")", "=IFERROR(In!A1,\"x\")", "=IFERROR(In!A5,\"x\")",
    "=_xlfn.IFNA(NA(),\"na\")", "=_xlfn.IFNA(1/0,\"na\")", "=_xlfn.IFNA(In!A4,\"na\")")
add("=ISNUMBER(In!A1)", "=ISNUMBER(In!A8)", "=ISNUMBER(In!A5)", "=ISTEXT(In!A4)", "=ISTEXT(In!A1)",
    "=ISBLANK(In!A5)", "=ISBLANK(In!A10)", "=ISBLANK(\"\")", "=ISERROR(In!A7)", "=ISERROR(NA())",
    "=ISERR(NA())", "=ISERR(In!A7)", "=ISNA(NA())", "=ISNA(In!A7)", "=ISLOGICAL(In!A6)", "=ISLOGICAL(1)",
    "=ISEVEN(4)", "=ISEVEN(-3.5)", "=ISEVEN(In!A4)", "=ISODD(3)", "=ISODD(2.9)", "=ISODD(In!A5)")
add("=NA()", "=N(In!A1)", "=N(In!A4)", "=N(In!A6)", "=N(In!A7)", "=T(In!A4)", "=T(In!A1)", "=T(In!A7)",
    "=TYPE(In!A1)", "=TYPE(In!A4)", "=TYPE(In!A6)", "=TYPE(In!A7)", "=TYPE(In!A1:A3)", "=TYPE(In!A5)",
    "=ERROR.TYPE(In!A7)", "=ERROR.TYPE(NA())", "=ERROR.TYPE(1)", "=ERROR.TYPE(In!A99+\"x\")")

# --- Arithmetic -------------------------------------------------------------
add("=ABS(-2.5)", "=ABS(In!A4)", "=ABS(In!A8)", "=SIGN(-0.0001)", "=SIGN(0)", "=SIGN(In!A6)",
    "=INT(-2.5)", "=INT(2.99999)", "=INT(In!A5)", "=TRUNC(-2.5)", "=TRUNC(3.14159,2)", "=TRUNC(1234.5,-2)")
add("=ROUND(2.5,0)", "=ROUND(-2.5,0)", "=ROUND(2.675,2)", "=ROUND(1234.5678,-2)", "=ROUND(1.005,2)",
    "=ROUND(In!B3/In!B2-1,4)", "=ROUND(In!A4,1)", "=ROUND(1/3,15)", "=ROUNDUP(3.141,2)", "=ROUNDUP(-3.141,2)",
    "=ROUNDUP(31.4,-1)", "=ROUNDDOWN(3.149,2)", "=ROUNDDOWN(-3.149,2)", "=ROUNDDOWN(0.1+0.2,1)")
add("=MROUND(10,3)", "=MROUND(-10,-3)", "=MROUND(10,-3)", "=MROUND(1.3,0.2)", "=MROUND(5,0)",
    "=CEILING(2.5,1)", "=CEILING(-2.5,-2)", "=CEILING(2.5,-1)", "=CEILING(0.234,0.01)",
    "=FLOOR(2.5,1)", "=FLOOR(-2.5,-2)", "=FLOOR(2.5,-1)", "=FLOOR(0.234,0.01)",
    "=_xlfn.CEILING.MATH(-2.5)", "=_xlfn.CEILING.MATH(-2.5,2,1)", "=_xlfn.CEILING.MATH(6.7,2)",
    "=_xlfn.FLOOR.MATH(-2.5)", "=_xlfn.FLOOR.MATH(-2.5,2,1)", "=_xlfn.FLOOR.MATH(6.7,2)")
add("=MOD(10,3)", "=MOD(-10,3)", "=MOD(10,-3)", "=MOD(5.5,2)", "=MOD(1,0)", "=QUOTIENT(10,3)",
    "=QUOTIENT(-10,3)", "=QUOTIENT(1,0)", "=POWER(2,10)", "=POWER(-8,1/3)", "=POWER(0,0)", "=POWER(0,-1)",
    "=SQRT(16)", "=SQRT(-1)", "=SQRT(In!A8)", "=EXP(1)", "=EXP(710)", "=LN(10)", "=LN(0)", "=LOG(1000)",
    "=LOG(8,2)", "=LOG(10,1)", "=LOG10(0.001)", "=LOG10(-1)", "=PI()")
add("=PRODUCT(In!A1:A3)", "=PRODUCT(In!A1:A4,2)", "=PRODUCT(In!A5)", "=SUM(In!A1:A3)", "=SUM(In!A1:A10)",
    "=SUM(In!A6,1)", "=SUM(In!A1:A6)", "=SUM(TRUE,1)", "=SUM(\"3\",1)", "=SUM(\"x\",1)", "=SUM(In!B:B)",
    "=SUM(In!A1,In!A8)", "=SUM(In!A1:A9)", "=SUM(In!D1:E5)", "=SUM(In!1:1)")
add("=SUMPRODUCT(In!B1:B3,In!F1:F3)", "=SUMPRODUCT((In!B1:B5>20)*In!B1:B5)", "=SUMPRODUCT(In!B1:B3,In!F1:F4)",
    "=SUMPRODUCT(In!A1:A4)", "=SUMSQ(3,4)", "=SUMSQ(In!A1:A4)", "=SUMSQ(\"2\")")
add("=SUMIF(In!B1:B10,\">50\")", "=SUMIF(In!D1:D5,\"b*\",In!E1:E5)", "=SUMIF(In!D1:D5,\"<>apple\",In!E1:E5)",
    "=SUMIF(In!B1:B10,50)", "=SUMIF(In!B1:B10,\">=\"&In!B4)", "=SUMIF(In!A1:A10,\"\")",
    "=SUMIFS(In!E1:E5,In!D1:D5,\"?a*\",In!E1:E5,\">2\")", "=SUMIFS(In!B1:B10,In!B1:B10,\">10\",In!B1:B10,\"<90\")",
    "=SUMIFS(In!B1:B10,In!B1:B5,\">10\")")
add("=GCD(12,18)", "=GCD(12,18,8)", "=GCD(-1,2)", "=GCD(0,5)", "=LCM(4,6)", "=LCM(4,6,10)", "=LCM(0,5)",
    "=FACT(5)", "=FACT(0)", "=FACT(-1)", "=FACT(5.9)", "=FACT(171)", "=COMBIN(10,3)", "=COMBIN(10,0)",
    "=COMBIN(3,10)", "=COMBIN(52,5)")
add("=SIN(PI()/6)", "=COS(0)", "=TAN(PI()/4)", "=ASIN(1)", "=ASIN(2)", "=ACOS(-1)", "=ATAN(1)",
    "=ATAN2(1,1)", "=ATAN2(-1,0)", "=ATAN2(0,0)", "=DEGREES(PI())", "=RADIANS(180)", "=EVEN(1.5)",
    "=EVEN(-1.5)", "=EVEN(2)", "=EVEN(0)", "=ODD(1.5)", "=ODD(-2)", "=ODD(0)", "=ODD(3)")

# --- Operators --------------------------------------------------------------
add("=-2^2", "=2^-1", "=2^3^2", "=-In!A1", "=50%", "=In!B1*10%", "=1+2*3", "=(1+2)*3", "=\"a\"&1&TRUE",
    "=1&\"\"", "=0.1+0.2", "=1/3", "=1E+20&\"\"", "=0.0001&\"\"", "=123456789012345&\"\"", "=1=1", "=\"a\"=\"A\"",
    "=\"a\"<\"b\"", "=1<\"a\"", "=\"a\"<TRUE", "=In!A5=0", "=In!A5=\"\"", "=In!A5=FALSE", "=In!A1+In!A4",
    "=In!A1+In!A8", "=In!A1+In!A6", "=In!A7+1", "=\"3\"*\"4\"", "=\" 2 \"+1", "=\"1e3\"+0", "=\"50%\"+0",
    "=\"2024-03-15\"+0", "=\"10:30\"+0", "=\"\"+1", "=-0", "=-In!A10", "=1/-0", "=In!A1-In!A1*1",
    "=1E+308*10", "={1,2;3,4}", "=SUM({1,2;3,4})", "=SUM({1,2;3,4}*2)", "=2*In!B1:B3")

# --- Statistics -------------------------------------------------------------
add("=AVERAGE(In!A1:A3)", "=AVERAGE(In!A1:A10)", "=AVERAGE(In!A4:A5)", "=AVERAGE(In!A1:A7)", "=AVERAGE(In!A6,1)",
    "=AVERAGEA(In!A1:A6)", "=AVERAGEA(In!A4:A5)", "=AVERAGEIF(In!B1:B10,\">50\")",
    "=AVERAGEIF(In!D1:D5,\"c*\",In!E1:E5)", "=AVERAGEIF(In!B1:B10,\">1000\")",
    "=AVERAGEIFS(In!B1:B10,In!B1:B10,\">20\",In!B1:B10,\"<=70\")", "=AVERAGEIFS(In!B1:B10,In!B1:B10,\">200\")")
add("=COUNT(In!A1:A10)", "=COUNT(In!A1:A10,1,\"2\",\"x\",TRUE)", "=COUNT(In!B:B)", "=COUNTA(In!A1:A10)",
    "=COUNTA(In!A1:A10,\"\",1)", "=COUNTBLANK(In!A1:A10)", "=COUNTBLANK(In!A1:B12)",
    "=COUNTIF(In!B1:B10,\">50\")", "=COUNTIF(In!D1:D5,\"*e*\")", "=COUNTIF(In!A1:A10,\"<>\")",
    "=COUNTIF(In!A1:A10,\"\")", "=COUNTIF(In!A1:A10,\"abc\")", "=COUNTIF(In!A1:A10,\"12\")",
    "=COUNTIF(In!A1:A10,TRUE)", "=COUNTIF(In!C1:C5,\">=\"&DATE(2024,1,1))",
    "=COUNTIFS(In!B1:B10,\">20\",In!F1:F10,\">4\")", "=COUNTIFS(In!B1:B10,\">20\",In!F1:F9,\">4\")")
add("=MIN(In!A1:A10)", "=MIN(In!A4:A5)", "=MIN(In!A1:A7)", "=MIN(In!A6,5)", "=MAX(In!B:B)", "=MAX(In!A1:A10,-5)",
    "=MINA(In!A1:A6)", "=MAXA(In!A4:A6)", "=MAXA(In!A10,In!A6)",
    "=_xlfn.MINIFS(In!B1:B10,In!F1:F10,\">4\")", "=_xlfn.MAXIFS(In!B1:B10,In!F1:F10,\"<5\")",
    "=_xlfn.MAXIFS(In!B1:B10,In!F1:F10,\">100\")")
add("=MEDIAN(In!F1:F8)", "=MEDIAN(In!F1:F7)", "=MEDIAN(In!A4)", "=MODE(In!F1:F8)", "=MODE(1,2,3)",
    "=LARGE(In!F1:F8,2)", "=LARGE(In!F1:F8,9)", "=LARGE(In!F1:F8,0)", "=SMALL(In!F1:F8,3)", "=SMALL(In!A4:A5,1)",
    "=RANK(5,In!F1:F8)", "=RANK(5,In!F1:F8,1)", "=RANK(3,In!F1:F8)", "=_xlfn.RANK.EQ(4,In!F1:F8)",
    "=PERCENTILE(In!F1:F8,0.3)", "=PERCENTILE(In!F1:F8,1.1)", "=_xlfn.PERCENTILE.INC(In!F1:F8,0.9)",
    "=QUARTILE(In!F1:F8,1)", "=QUARTILE(In!F1:F8,3)", "=QUARTILE(In!F1:F8,5)")
add("=STDEV(In!F1:F8)", "=STDEV(In!F1:F8)*SQRT(252)", "=STDEV(1)", "=_xlfn.STDEV.S(In!F1:F8)", "=STDEVP(In!F1:F8)",
    "=_xlfn.STDEV.P(In!F1:F8)", "=VAR(In!F1:F8)", "=_xlfn.VAR.S(In!A1:A10)", "=VARP(In!F1:F8)",
    "=_xlfn.VAR.P(In!F1:F8)", "=STDEV(In!A1:A7)", "=VAR(In!A4:A5)")
add("=CORREL(In!F1:F8,In!G1:G8)", "=CORREL(In!F1:F8,In!G1:G7)", "=CORREL(In!A1:A3,In!B1:B3)",
    "=PEARSON(In!F1:F8,In!G1:G8)", "=RSQ(In!G1:G8,In!F1:F8)", "=COVAR(In!F1:F8,In!G1:G8)",
    "=_xlfn.COVARIANCE.S(In!F1:F8,In!G1:G8)", "=SLOPE(In!G1:G8,In!F1:F8)", "=INTERCEPT(In!G1:G8,In!F1:F8)",
    "=FORECAST(10,In!G1:G8,In!F1:F8)", "=SLOPE(In!G1:G3,{1,1,1})", "=GEOMEAN(In!F1:F8)", "=GEOMEAN(1,-1)",
    "=SKEW(In!F1:F8)", "=SKEW(1,2)", "=KURT(In!F1:F8)", "=KURT(In!G1:G8)")

# --- Lookup and reference ---------------------------------------------------
add("=VLOOKUP(\"cherry\",In!D1:E5,2,FALSE)", "=VLOOKUP(\"CHERRY\",In!D1:E5,2,0)", "=VLOOKUP(\"ch*\",In!D1:E5,2,0)",
    "=VLOOKUP(\"kiwi\",In!D1:E5,2,0)", "=VLOOKUP(\"coconut\",In!D1:E5,2)", "=VLOOKUP(\"apple\",In!D1:E5,3,0)",
    "=VLOOKUP(\"apple\",In!D1:E5,0,0)", "=VLOOKUP(35,In!B1:F10,5)", "=VLOOKUP(5,In!B1:F10,2)",
    "=VLOOKUP(In!A7,In!D1:E5,2,0)", "=HLOOKUP(20,In!B1:B10,3,0)", "=HLOOKUP(\"b\",{\"a\",\"b\";1,2},2,0)",
    "=HLOOKUP(\"b\",{\"a\",\"b\";1,2},3,0)")
add("=LOOKUP(35,In!B1:B10,In!F1:F10)", "=LOOKUP(5,In!B1:B10)", "=LOOKUP(\"date\",In!D1:E5)",
    "=LOOKUP(100,In!B1:B10)", "=INDEX(In!D1:E5,3,2)", "=INDEX(In!D1:E5,3)", "=INDEX(In!B1:B10,4)",
    "=INDEX(In!D1:E5,6,1)", "=SUM(INDEX(In!D1:E5,0,2))", "=INDEX({1,2;3,4},2,1)", "=INDEX(In!D1:E5,-1,1)")
add("=MATCH(\"date\",In!D1:D5,0)", "=MATCH(35,In!B1:B10)", "=MATCH(35,In!B1:B10,1)", "=MATCH(5,In!B1:B10)",
    "=MATCH(\"x\",In!D1:D5,0)", "=MATCH(\"b?nana\",In!D1:D5,0)", "=MATCH(40,{90,60,40,10},-1)",
    "=MATCH(50,{90,60,40,10},-1)")
add("=_xlfn.XLOOKUP(\"date\",In!D1:D5,In!E1:E5)", expect=("n", 4.5))
add("=_xlfn.XLOOKUP(\"kiwi\",In!D1:D5,In!E1:E5,\"none\")", expect=("s", "none"))
add("=_xlfn.XLOOKUP(\"kiwi\",In!D1:D5,In!E1:E5)", expect=("e", "#N/A"))
add("=_xlfn.XLOOKUP(35,In!B1:B10,In!F1:F10,,-1)", expect=("n", 4))
add("=_xlfn.XLOOKUP(35,In!B1:B10,In!F1:F10,,1)", expect=("n", 4))
add("=_xlfn.XLOOKUP(\"b*\",In!D1:D5,In!E1:E5,,2)", expect=("n", 2.5))
add("=_xlfn.XLOOKUP(4,In!F1:F8,In!G1:G8,,0,-1)", expect=("n", 5))
add("=_xlfn.XMATCH(\"fig\",In!D1:D5)", expect=("n", 5))
add("=_xlfn.XMATCH(45,In!B1:B10,1)", expect=("n", 5))
add("=_xlfn.XMATCH(45,In!B1:B10,-1)", expect=("n", 4))
add("=_xlfn.XMATCH(4,In!F1:F8,0,-1)", expect=("n", 4))
add("=SUM(OFFSET(In!B1,1,0,3,1))", "=OFFSET(In!B1,2,0)", "=OFFSET(In!B1,-1,0)", "=SUM(OFFSET(In!A1:A2,0,1))",
    "=INDIRECT(\"In!B3\")", "=SUM(INDIRECT(\"In!B1:B4\"))", "=INDIRECT(\"In!R2C2\",FALSE)", "=INDIRECT(\"nonsense\")",
    "=CHOOSE(2,\"a\",\"b\",\"c\")", "=CHOOSE(4,\"a\",\"b\",\"c\")", "=CHOOSE(1.9,\"a\",\"b\")", "=SUM(CHOOSE(2,In!A1:A3,In!B1:B3))")
add("=ROW(In!B7)", "=ROW(In!B3:D9)", "=COLUMN(In!D2)", "=COLUMN(In!D2:F2)", "=ROWS(In!B1:C10)", "=ROWS({1,2;3,4;5,6})",
    "=COLUMNS(In!B1:D1)", "=COLUMNS(1)", "=ROWS(In!A:A)", "=ADDRESS(2,3)", "=ADDRESS(2,3,4)", "=ADDRESS(2,3,2)",
    "=ADDRESS(2,3,1,FALSE)", "=ADDRESS(2,3,4,FALSE)", "=ADDRESS(2,30,1,TRUE,\"My Sheet\")", "=ADDRESS(0,1)")

# --- Text -------------------------------------------------------------------
add("=CONCATENATE(\"a\",1,TRUE)", "=CONCATENATE(In!A4,In!A1,In!A5)", "=CONCATENATE(In!A7,\"x\")",
    "=_xlfn.CONCAT(In!D1:D3)", "=_xlfn.CONCAT(\"a\",In!A1:A3)", "=_xlfn.TEXTJOIN(\", \",TRUE,In!A1:A5)",
    "=_xlfn.TEXTJOIN(\"-\",FALSE,In!A4:A6)", "=_xlfn.TEXTJOIN(\"-\",TRUE,In!A7)")
add("=LEFT(\"hello\",2)", "=LEFT(\"hello\")", "=LEFT(\"hello\",10)", "=LEFT(\"hello\",-1)", "=LEFT(1234.5,3)",
    "=RIGHT(\"hello\",3)", "=RIGHT(\"hello\",0)", "=RIGHT(In!A6,2)", "=MID(\"hello\",2,3)", "=MID(\"hello\",5,3)",
    "=MID(\"hello\",6,1)", "=MID(\"hello\",0,1)", "=LEN(\"hello\")", "=LEN(\"\")", "=LEN(In!A5)", "=LEN(1/3)",
    "=LEN(\"äöü\")", "=LEFT(\"äöü\",2)")
add("=UPPER(\"MiXed 1\")", "=LOWER(\"MiXed 1\")", "=PROPER(\"hello wORLD o'neil 2nd\")", "=TRIM(\"  a   b  \")",
    "=CLEAN(\"a\"&CHAR(7)&\"b\")", "=SUBSTITUTE(\"a-b-c\",\"-\",\"+\")", "=SUBSTITUTE(\"a-b-c\",\"-\",\"+\",2)",
    "=SUBSTITUTE(\"a-b-c\",\"\",\"+\")", "=SUBSTITUTE(\"a-b-c\",\"-\",\"+\",0)", "=REPLACE(\"abcdef\",2,3,\"X\")",
    "=REPLACE(\"abc\",5,1,\"X\")", "=REPLACE(\"abc\",0,1,\"X\")")
add("=FIND(\"b\",\"abcb\")", "=FIND(\"b\",\"abcb\",3)", "=FIND(\"B\",\"abcb\")", "=FIND(\"\",\"abc\")",
    "=FIND(\"a\",\"abc\",5)", "=SEARCH(\"B\",\"abcb\")", "=SEARCH(\"b?\",\"abcb\",3)", "=SEARCH(\"c*\",\"abcb\")",
    "=SEARCH(\"x\",\"abc\")")
add("=TEXT(1234.567,\"0.00\")", "=TEXT(1234.567,\"#,##0\")", "=TEXT(0.25,\"0%\")", "=TEXT(45366,\"yyyy-mm-dd\")",
    "=TEXT(45366,\"dd.mm.yyyy\")", "=TEXT(\"abc\",\"0.00\")", "=TEXT(-1.5,\"0.0\")", "=TEXT(In!A7,\"0\")")
add("=VALUE(\"123.5\")", "=VALUE(\"1e3\")", "=VALUE(\"abc\")", "=VALUE(\"  42 \")", "=VALUE(\"50%\")",
    "=VALUE(\"$1,000\")", "=VALUE(In!A5)", "=_xlfn.NUMBERVALUE(\"1.234,5\",\",\",\".\")",
    "=_xlfn.NUMBERVALUE(\"12%\")", "=_xlfn.NUMBERVALUE(\"\")", "=_xlfn.NUMBERVALUE(\"1 234.5\")")
add("=REPT(\"ab\",3)", "=REPT(\"ab\",0)", "=REPT(\"ab\",-1)", "=EXACT(\"a\",\"A\")", "=EXACT(\"a\",\"a\")",
    "=EXACT(1,\"1\")", "=CHAR(65)", "=CHAR(0)", "=CHAR(256)", "=CODE(\"A\")", "=CODE(\"\")", "=CODE(\"abc\")",
    "=FIXED(1234.567)", "=FIXED(1234.567,1)", "=FIXED(1234.567,-2)", "=FIXED(-1234.567,2,TRUE)", "=FIXED(0.5,0)")

# --- Money ------------------------------------------------------------------
add("=PMT(0.05/12,360,200000)", "=PMT(0,12,1200)", "=PMT(0.05,10,1000,0,1)", "=PMT(0.05,0,1000)",
    "=FV(0.05,10,-100)", "=FV(0,10,-100,-1000)", "=FV(0.05,10,-100,0,1)", "=PV(0.05,10,-100)",
    "=PV(0,10,-100)", "=PV(0.05,10,-100,-1000,1)", "=NPV(0.1,In!H1:H4)", "=NPV(0.1,-100,30,40,50)",
    "=NPV(-1,1)", "=IRR(In!H1:H4)", "=IRR({1,2,3})", "=IRR({-100,110})", "=RATE(10,-100,800)",
    "=RATE(12,-100,1000,0,1)", "=RATE(360,-1073.64,200000)")

# --- Reference shapes and names --------------------------------------------
add("=In!$B$2", "=In!B$2+In!$B3", "=SUM(In!$B$1:$B$3)", "=SUM('In'!B1:B2)", "=SUM(Rates)", "=Rates",
    "=SUM(In!B1:B2,In!B3)", "=In!A1:A3", "=SUM(In!3:4)")

# --- Functions of single values over arrays ---------------------------------
# Where arrays are computed (SUMPRODUCT's arguments), a function of single
# values is computed for each cell.
add("=SUMPRODUCT(ISNUMBER(In!A1:A10)*1)", "=SUMPRODUCT(--ISTEXT(In!A1:A10))", "=SUMPRODUCT(--ISERROR(In!A1:A10))",
    "=SUMPRODUCT(--ISBLANK(In!A1:A10))", "=SUMPRODUCT(--ISNA(In!A1:A10))", "=SUMPRODUCT(--NOT(In!A1:A3>1))")
add("=SUMPRODUCT(ABS(In!H1:H4))", "=SUMPRODUCT(ROUND(In!E1:E5,0))", "=SUMPRODUCT(--(MOD(In!B1:B10,20)=0))",
    "=SUMPRODUCT(POWER(In!F1:F3,{1,2}))", "=SUMPRODUCT(MOD(In!B1:B3,In!F1:F2))", "=SUMPRODUCT(SQRT(In!H1:H4))",
    "=SUMPRODUCT(INT(In!E1:E5/2))")
add("=SUMPRODUCT(LEN(In!D1:D5))", "=SUMPRODUCT(--(LEFT(In!D1:D5,1)=\"b\"))",
    "=SUMPRODUCT(ISNUMBER(SEARCH(\"an\",In!D1:D5))*In!E1:E5)", "=SUMPRODUCT(--EXACT(UPPER(In!D1:D5),\"FIG\"))",
    "=SUMPRODUCT(VALUE(In!A8:A9))", "=SUMPRODUCT(LEN(SUBSTITUTE(In!D1:D5,\"a\",\"\")))")
add("=SUMPRODUCT(IF(In!B1:B10>50,In!B1:B10,0))", "=SUMPRODUCT(IFERROR(1/In!H1:H4,0))",
    "=SUMPRODUCT(IF(In!A1:A4>1,1,0),In!B1:B4)", "=SUMPRODUCT(IFERROR(In!A1:A10*1,-1))",
    "=SUMPRODUCT(MONTH(In!C1:C3)*1)", "=SUMPRODUCT(YEAR(In!C1:C3)-2000)", "=SUMPRODUCT(DAY(In!C1:C3))", "=SUMPRODUCT(In!B1:B3+In!F1:F2)")
# Arrays of different sizes: arithmetic keeps the cells both have, a
# comparison or a function goes on to the larger with errors beyond the
# smaller, IF takes the shape of its condition.
add("=SUMPRODUCT({1;2;3}+{10;20})", "=SUMPRODUCT({1;2;3}*{10;20})", "=SUMPRODUCT({1;2;3}&{10;20})",
    "=SUMPRODUCT(LEN({\"a\";\"bb\";\"ccc\"}&{\"x\";\"y\"}))", "=SUMPRODUCT({1;2;3}+{10,20})",
    "=SUMPRODUCT(In!B1:B2+In!F1:F3)", "=SUMPRODUCT(--(In!B1:B3>In!F1:F2))", "=SUMPRODUCT(({10;20;30}>{1;2})*1)")
add("=SUMPRODUCT(MOD({1;2;3},{10,20}))", "=SUMPRODUCT(--ISERROR(MOD({1;2;3},{10;20})))",
    "=SUMPRODUCT(--ISNA(MOD({1;2;3},{10;20})))", "=SUMPRODUCT(--ISNA(IF({1;0;1},{5;6},{7;8;9})))",
    "=SUMPRODUCT(IF({1;0},{5;6;7},{8;9;10}))", "=SUMPRODUCT(MOD({1;2;3},10))")
# Lookups and criteria over arrays of keys; functions over array expressions.
add("=SUMPRODUCT(--(LEN(In!D1:D5)>4))", "=SUMPRODUCT(--(TEXT(In!C1:C3,\"yyyy\")=\"2024\"))",
    "=SUMPRODUCT(--(WEEKDAY(In!C1:C3)=2))", "=SUMPRODUCT(ROUND(In!E1:E5*1.1,1))",
    "=SUMPRODUCT(--(MID(In!D1:D5,2,1)=\"a\"))", "=SUMPRODUCT(IFERROR(SEARCH(\"a\",In!D1:D5),0))",
    "=SUMPRODUCT(--(YEAR(In!C1:C3)=2024),In!B1:B3)")
add("=SUMPRODUCT(--ISNUMBER(MATCH(In!D1:D5,{\"apple\",\"fig\"},0)))", "=SUMPRODUCT(MATCH({\"fig\";\"date\"},In!D1:D5,0))",
    "=SUMPRODUCT(COUNTIF(In!D1:D5,{\"apple\",\"fig\"}))", "=SUMPRODUCT(SUMIF(In!D1:D5,{\"b*\";\"c*\"},In!E1:E5))",
    "=SUMPRODUCT(VLOOKUP({\"apple\";\"fig\"},In!D1:E5,2,0))", "=SUMPRODUCT(HLOOKUP({2;4},In!F1:G3,2,0))",
    "=SUMPRODUCT(INDEX(In!B1:B10*2,3))", "=SUMPRODUCT(INDEX(In!B1:C3*1,0,1))",
    "=SUMPRODUCT(CHOOSE({1;2},In!B1:B2,In!E1:E2))")
add("=SUMPRODUCT(_xlfn.XMATCH({\"fig\";\"apple\"},In!D1:D5))", expect=("n", 6))
