-- Adds to the bills of generate_bills.sql what a branch also uploads with
-- them: an Octopus transaction for every bill paid by Octopus (every third),
-- the shifts the bills belong to, two cash summaries and one withdrawal per
-- shift.
BEGIN;
INSERT INTO bi_OctopusPayment (BillID, CardID, DeviceID, BillDate, TransTime, TransNo, Amount,
                               RemainValue, IsUploaded)
SELECT BillID, printf('%08d', 41000000 + CAST(substr(BillID, 5) AS INTEGER) % 9000),
       printf('OCT%02d', CAST(substr(BillID, 5) AS INTEGER) % 4), BillDate, CheckTime,
       printf('T%08d', CAST(substr(BillID, 5) AS INTEGER)), SumPaid, 300 - SumPaid % 300, 0
FROM bi_Bill WHERE CAST(substr(BillID, 5) AS INTEGER) % 3 = 0;

INSERT INTO bi_Shift (ShiftID, ShiftDate, BeginTime, EndTime, UserID, UserName, CashBegin, CashEnd,
                      Remark)
SELECT ShiftID, MIN(BillDate), MIN(OpenTime), MAX(CheckTime), 'C01', '收银员1', 500,
       500 + SUM(SumPaid), NULL
FROM bi_Bill GROUP BY ShiftID;

INSERT INTO bi_ShiftSum (ShiftSumID, ShiftID, SubjectID, SubjectName, SumPaid, SumCounted)
SELECT ShiftID || '-CASH', ShiftID, 'CASH', '现金', CashEnd - CashBegin, CashEnd - CashBegin
FROM bi_Shift
UNION ALL
SELECT ShiftID || '-OCT', ShiftID, 'OCT', '八达通', CashBegin, CashBegin FROM bi_Shift;

INSERT INTO bi_ShiftLog (ShiftLogID, ShiftID, LogTime, UserID, Amount, Remark)
SELECT ShiftID || '-L1', ShiftID, EndTime, 'C01', 1000, '中途取钱' FROM bi_Shift;
COMMIT;
