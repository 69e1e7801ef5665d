; Where the shown stage's data lies, and the parts of the picture made from it.

; ---- where the stage's data lies ---------------------------------------------------------

; Switches the bank in A into $8000-$BFFF. The value written must match the byte at the
; address written to, or the cartridge's bus may fight it: the table holds each bank's
; own number.
select_bank:
    tax
    sta bank_numbers, x
    rts

; Points the pointers at the shown stage's data and at the shown frame's first cell.
find_stage:
    ldx stage
    lda stage_metatiles_lo, x
    sta metatiles
    lda stage_metatiles_hi, x
    sta metatiles + 1
    lda stage_subpalettes_lo, x
    sta subpalettes
    lda stage_subpalettes_hi, x
    sta subpalettes + 1
    lda stage_palette_lo, x
    sta palette
    lda stage_palette_hi, x
    sta palette + 1
    lda stage_tiles_lo, x
    sta tiles
    lda stage_tiles_hi, x
    sta tiles + 1
    lda stage_level_lo, x
    sta level
    lda stage_level_hi, x
    sta level + 1
    ldy frame               ; a frame is 240 bytes
    beq @done
@next_frame:
    clc
    lda level
    adc #240
    sta level
    bcc @same_page
    inc level + 1
@same_page:
    dey
    bne @next_frame
@done:
    rts

; ---- building the picture from the data ---------------------------------------------------

; Points record, with Y, at the record of the metatile in A: metatiles + 4 * A.
find_record:
    pha
    lsr a
    lsr a
    lsr a
    lsr a
    lsr a
    lsr a
    clc
    adc metatiles + 1
    sta record + 1
    lda metatiles
    sta record
    pla
    asl a
    asl a
    tay
    rts

; Fills buffer_names with metatile row A of the frame: its tiles as two rows of 32 names.
; The data bank must be selected.
build_names:
    sta row
    asl a
    asl a
    asl a
    asl a                   ; 16 cells a row
    clc
    adc level
    sta cells
    lda level + 1
    adc #0
    sta cells + 1
    lda row                 ; the name table address: 64 names a metatile row
    lsr a
    lsr a
    clc
    adc #>NAME_TABLE
    sta buffer_names_at
    lda row
    and #3
    lsr a
    ror a
    ror a                   ; (row & 3) * 64
    sta buffer_names_at + 1
    lda #0
    sta column
@cell:
    ldy column
    lda (cells), y
    jsr find_record
    lda column
    asl a
    tax
    lda (record), y         ; top left
    sta buffer_names, x
    iny
    lda (record), y         ; top right
    sta buffer_names + 1, x
    iny
    lda (record), y         ; bottom left
    sta buffer_names + 32, x
    iny
    lda (record), y         ; bottom right
    sta buffer_names + 33, x
    inc column
    lda column
    cmp #16
    bne @cell
    rts

; Shifts the sub-palette of the metatile in cell Y of the frame into attribute.
add_quadrant:
    lda (level), y
    tay
    lda (subpalettes), y
    and #3
    asl attribute
    asl attribute
    ora attribute
    sta attribute
    rts

; Fills buffer_attributes with attribute row A (0..7): each byte covers 2 x 2 metatiles,
; top left in its low bits, bottom right in its high bits. The last row's lower half lies
; below the frame and stays 0. The data bank must be selected.
build_attributes:
    sta row
    asl a
    asl a
    asl a
    clc
    adc #<ATTRIBUTE_TABLE
    sta buffer_attributes_at + 1
    lda #>ATTRIBUTE_TABLE
    sta buffer_attributes_at
    lda row
    asl a
    asl a
    asl a
    asl a
    asl a                   ; the first cell: 2 metatile rows of 16
    sta cell
    ldx #0
@byte:
    lda #0
    sta attribute
    lda row
    cmp #ATTRIBUTE_ROWS - 1
    beq @upper              ; metatile row 15 does not exist
    lda cell
    clc
    adc #17
    tay
    jsr add_quadrant        ; bottom right
    lda cell
    clc
    adc #16
    tay
    jsr add_quadrant        ; bottom left
@upper:
    ldy cell
    iny
    jsr add_quadrant        ; top right
    ldy cell
    jsr add_quadrant        ; top left
    lda attribute
    sta buffer_attributes, x
    inc cell
    inc cell
    inx
    cpx #8
    bne @byte
    rts

; Fills buffer_palette with the stage's 16 palette bytes. The data bank must be selected.
build_palette:
    ldy #15
@entry:
    lda (palette), y
    sta buffer_palette, y
    dey
    bpl @entry
    rts
